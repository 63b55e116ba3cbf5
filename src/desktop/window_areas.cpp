#include "desktop/window_areas.h"

#include <QApplication>
#include <QDockWidget>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTableView>

#include "desktop/log_dock.h"
#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "desktop/playlist_tabs.h"
#include "ui/panel_tree_view.h"

namespace desktop {

namespace {

// A dock closed or tabbed away hides its content. (visibleRegion() would
// not do: a scroll area's viewport covers the whole of it.)
bool inView(const QWidget* widget) { return widget->isVisible() && widget->width() > 0 && widget->height() > 0; }

}  // namespace

std::vector<QWidget*> windowAreas(MainWindow& window) {
  std::vector<QWidget*> areas;
  PanelDocks& panels = window.panels();
  for (std::size_t i = 0; i < panels.count(); ++i) {
    QWidget* view = panels.widget(i)->view();
    if (inView(view)) areas.push_back(view);
  }
  PlaylistTabs& tabs = window.playlistTabs();
  const int current = tabs.currentIndex();
  QTableView* table = current >= 0 ? tabs.view(static_cast<std::size_t>(current)) : nullptr;
  if (table != nullptr && inView(table)) {
    areas.push_back(table);
  } else if (inView(tabs.tabBar())) {
    areas.push_back(tabs.tabBar());
  }
  if (inView(&window.log())) areas.push_back(&window.log());
  return areas;
}

QWidget* focusNextArea(MainWindow& window, bool forward) {
  const std::vector<QWidget*> areas = windowAreas(window);
  if (areas.empty()) return nullptr;
  const auto count = static_cast<std::ptrdiff_t>(areas.size());
  // The area that holds the focus: the one whose widget is it, or whose
  // panel or playlist holds it.
  std::ptrdiff_t at = -1;
  const QWidget* focus = QApplication::focusWidget();
  for (std::ptrdiff_t i = 0; i < count && focus != nullptr; ++i) {
    const QWidget* area = areas[static_cast<std::size_t>(i)];
    const QWidget* holder = area;
    if (qobject_cast<const ui::PanelTreeView*>(area) != nullptr) holder = area->parentWidget();  // the panel
    if (area == window.playlistTabs().tabBar() || qobject_cast<const QTableView*>(area) != nullptr) {
      holder = &window.playlistTabs();
    }
    if (focus == area || (holder != nullptr && holder->isAncestorOf(focus))) {
      at = i;
      break;
    }
  }
  std::ptrdiff_t next;
  if (at < 0) {
    next = forward ? 0 : count - 1;
  } else {
    next = (at + (forward ? 1 : count - 1)) % count;
  }
  QWidget* target = areas[static_cast<std::size_t>(next)];
  target->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  return target;
}

}  // namespace desktop
