// The content of a tree panel's dock, behind one factory function so that
// the panel window can be swapped in with a one-line change.
//
// PlaceholderPanel keeps the panel's contract (its tree::Panel, loading,
// its settings record, settingsChanged) and shows the top level of the
// loaded tree as plain text until the real panel window is in the build.
#ifndef VOSTREL_DESKTOP_PANEL_WIDGET_H_
#define VOSTREL_DESKTOP_PANEL_WIDGET_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <QWidget>

#include "tree/panel.h"

class QLabel;

namespace host {
class Host;
}
namespace ui {
class UiHost;
}

namespace desktop {

class PlaceholderPanel : public QWidget {
  Q_OBJECT

 public:
  PlaceholderPanel(host::Host& host, ui::UiHost& ui_host, std::span<const uint8_t> settings_record,
                   std::function<void(const std::string& sql)> send_to_console, QWidget* parent = nullptr);
  ~PlaceholderPanel() override;

  std::vector<uint8_t> settingsRecord() const { return panel_->writeSettings(); }
  tree::Panel& panel() { return *panel_; }
  // Opens the connection and loads the tree; "Unable to populate tree."
  // when either fails.
  bool loadTree();

 signals:
  void settingsChanged();

 private:
  std::unique_ptr<tree::Panel> panel_;
  QLabel* label_ = nullptr;
};

using PanelWidget = PlaceholderPanel;

// Makes the content of a new panel dock; the caller loads its tree.
PanelWidget* makePanelWidget(host::Host& host, ui::UiHost& ui_host, std::span<const uint8_t> settings_record,
                             std::function<void(const std::string& sql)> send_to_console, QWidget* parent);

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PANEL_WIDGET_H_
