// The search field of the first panel narrowing the demo library: "Album"
// runs again over the matching tracks once typing pauses. The panel's dock
// is saved (the manual shows it), then the field is cleared again.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <algorithm>

#include "desktop/main_window.h"
#include "scenes.h"
#include "shooter.h"
#include "ui/panel_search.h"
#include "ui/tree_panel.h"

namespace shots {

void shootSearch(Scene& scene) {
  ui::PanelSearch& search = *scene.panel.search();
  scene.panel.focusSearch();
  search.setText(QStringLiteral("lanterns"));
  QElapsedTimer waited;
  waited.start();
  while (scene.panel.panel().searchText() != "lanterns" && waited.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  settle();
  QWidget* dock = scene.panel.parentWidget() != nullptr ? scene.panel.parentWidget() : &scene.panel;
  // The top of it: the field and what is left of the tree.
  scene.shooter.save("panel_search", dock->grab(QRect(0, 0, dock->width(), std::min(dock->height(), 320))));
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(&search, &escape);
  settle();
}

}  // namespace shots
