// PanelDocks: the main window's tree panels, each in a dock widget
// (movable, floatable, tabbable with the others). Panels are kept in the
// order they were made, which is their order in layout.json; closing a
// panel's dock removes the panel. The first panel's dock is titled
// "Vostrel", the others "Vostrel 2", "Vostrel 3"..., the numbers by which
// the commands' --panel option knows them.
#ifndef VOSTREL_DESKTOP_PANEL_DOCKS_H_
#define VOSTREL_DESKTOP_PANEL_DOCKS_H_

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include <QObject>

#include "desktop/panel_widget.h"

class QDockWidget;
class QMainWindow;

namespace host {
class Host;
}

namespace desktop {

class PanelDocks : public QObject {
  Q_OBJECT

 public:
  // The object name of a panel's dock, by the root id of its tree: the dock
  // state is saved and restored by these names, and the main window keeps
  // the places of closed docks under their names, which a new panel must
  // not take over.
  static QString dockName(int32_t root_id);

  PanelDocks(QMainWindow& window, host::Host& host, ui::UiHost& ui_host,
             std::function<void(const std::string& sql)> send_to_console);

  // Adds a panel with `settings_record` (empty: a new panel, which gets the
  // example tree) in a dock on the left, tabbed with the panel docked there
  // last; loads its tree. A new panel alone on the left starts as wide as
  // startWidth() says. Returns the dock.
  QDockWidget* addPanel(std::span<const uint8_t> settings_record);

  // The width the dock of panel `index` starts with in a window
  // `window_width` wide: what the labels of the tree's first three levels
  // need, at least a quarter of the window and at most two fifths of it.
  int startWidth(std::size_t index, int window_width) const;
  // The dock title of panel `index`.
  static QString title(std::size_t index);

  std::size_t count() const { return docks_.size(); }
  QDockWidget* dock(std::size_t index) const { return docks_[index]; }
  PanelWidget* widget(std::size_t index) const;
  // Every panel's settings record, in panel order.
  std::vector<std::vector<uint8_t>> settingsRecords() const;
  // Names the docks by their panels' root ids (a repeated id gets the
  // panel's position as a suffix).
  void nameDocks();

 signals:
  // A panel was added or closed, or one of its settings changed.
  void panelsChanged();

 private:
  void forget(QDockWidget* dock);
  void retitle();

  QMainWindow& window_;
  host::Host& host_;
  ui::UiHost& ui_host_;
  std::function<void(const std::string& sql)> send_to_console_;
  std::vector<QDockWidget*> docks_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PANEL_DOCKS_H_
