// Undo in the main window: another playlist closed (the status bar says
// so), the active playlist sorted by Title from its header (the arrow shows
// it), and the Edit menu naming the change it undoes.
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTableView>

#include "desktop/desktop_app.h"
#include "desktop/main_window.h"
#include "desktop/playlist_sorting.h"
#include "desktop/playlist_tabs.h"
#include "player/player.h"
#include "scenes.h"
#include "shooter.h"

namespace shots {

void shootUndo(Scene& scene) {
  player::Player& player = scene.player;
  desktop::PlaylistTabs& tabs = scene.window.playlistTabs();
  const std::size_t playlist = player.activePlaylist();
  if (playlist == host::kNoPlaylist || player.playlistItemCount(playlist) < 2) return;
  // The demo's second playlist, closed with its items.
  for (std::size_t p = player.playlistCount(); p-- > 0;) {
    if (p != playlist && player.playlistItemCount(p) > 0) {
      tabs.closePlaylist(p);
      break;
    }
  }
  settle();
  // Closing a playlist before it moves the active one down a place.
  desktop::HeaderSorting::of(tabs.view(player.activePlaylist()))->sortBy(2);
  settle();

  QMenu* edit = nullptr;
  QAction* entry = nullptr;
  for (QAction* action : scene.window.menuBar()->actions()) {
    if (action->menu() != nullptr && action->text() == QStringLiteral("&Edit")) {
      edit = action->menu();
      entry = action;
    }
  }
  if (edit == nullptr) return;
  QPixmap picture = scene.window.grab();
  edit->adjustSize();
  const QPixmap popup = edit->grab();
  const QRect under = scene.window.menuBar()->actionGeometry(entry);
  const QPoint at = scene.window.menuBar()->mapTo(&scene.window, under.bottomLeft());
  QPainter painter(&picture);
  painter.fillRect(QRect(at + QPoint(3, 3), popup.size()), QColor(0, 0, 0, 40));
  painter.drawPixmap(at, popup);
  painter.end();
  scene.shooter.save("undo_edit_menu", picture);
}

}  // namespace shots
