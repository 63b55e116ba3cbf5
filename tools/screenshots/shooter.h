// What every picture of scripts/screenshots shares: settling the event
// loop and saving a picture, or the window with a context menu drawn in it.
#ifndef VOSTREL_TOOLS_SCREENSHOTS_SHOOTER_H_
#define VOSTREL_TOOLS_SCREENSHOTS_SHOOTER_H_

#include <algorithm>
#include <cstdio>

#include <QApplication>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QTimer>

#include "desktop/main_window.h"
#include "ui/panel_tree_view.h"
#include "ui/tree_model.h"
#include "ui/tree_panel.h"

namespace shots {

// Lets the window finish what it does once it rests (the playlists fit
// their columns 100 ms after the last resize).
inline void settle() {
  QEventLoop loop;
  QTimer::singleShot(120, &loop, &QEventLoop::quit);
  loop.exec();
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

class Shooter {
 public:
  Shooter(desktop::MainWindow& window, QString dir) : window_(window), dir_(std::move(dir)) {}

  void save(const QString& name, const QPixmap& picture) {
    const QString file = dir_ + "/" + name + ".png";
    // Compressed hard: the manual keeps some of them in the source tree.
    if (!picture.save(file, "PNG", 0)) std::fprintf(stderr, "could not write %s\n", qPrintable(file));
    std::printf("%s\n", qPrintable(file));
  }

  // Opens the context menu of `panel` at the centre of `node`'s row (the
  // empty space below the tree for nullptr) and saves the window with the
  // menu drawn where it opens.
  void menu(ui::TreePanel& panel, tree::TreeNode* node, const QString& name) {
    ui::PanelTreeView& view = *panel.view();
    QPoint pos(view.viewport()->width() / 3, view.viewport()->height() * 7 / 8);
    if (node != nullptr) {
      const QRect rect = view.visualRect(panel.model()->indexOf(node->item()));
      pos = QPoint(rect.left() + 40, rect.center().y());
    }
    panel.setMenuRunner([this, name](QMenu& menu, const QPoint& global) -> QAction* {
      settle();
      QPixmap picture = window_.grab();
      menu.adjustSize();
      const QPixmap popup = menu.grab();
      QPainter painter(&picture);
      // Kept inside the window, as a menu is kept on the screen.
      QPoint at = window_.mapFromGlobal(global);
      at.setX(std::min(at.x(), picture.width() - popup.width() - 4));
      at.setY(std::min(at.y(), picture.height() - popup.height() - 4));
      painter.fillRect(QRect(at + QPoint(3, 3), popup.size()), QColor(0, 0, 0, 40));
      painter.drawPixmap(at, popup);
      painter.end();
      save(name, picture);
      return nullptr;
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, view.viewport()->mapToGlobal(pos));
    QApplication::sendEvent(view.viewport(), &event);
    panel.setMenuRunner({});
  }

 private:
  desktop::MainWindow& window_;
  QString dir_;
};

}  // namespace shots

#endif  // VOSTREL_TOOLS_SCREENSHOTS_SHOOTER_H_
