// The playlist view: the header's column menu, the row menu over a
// selection, and the status bar's count and length with a selection.
#include <algorithm>
#include <memory>

#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QStatusBar>
#include <QTableView>

#include "desktop/main_window.h"
#include "desktop/playlist_tabs.h"
#include "player/player.h"
#include "scenes.h"
#include "shooter.h"

namespace shots {
namespace {

// The window with `menu` drawn at `at` (window coordinates), kept inside it.
QPixmap withMenu(desktop::MainWindow& window, QMenu& menu, QPoint at) {
  settle();
  QPixmap picture = window.grab();
  menu.adjustSize();
  const QPixmap popup = menu.grab();
  at.setX(std::min(at.x(), picture.width() - popup.width() - 4));
  at.setY(std::min(at.y(), picture.height() - popup.height() - 4));
  QPainter painter(&picture);
  painter.fillRect(QRect(at + QPoint(3, 3), popup.size()), QColor(0, 0, 0, 40));
  painter.drawPixmap(at, popup);
  return picture;
}

}  // namespace

void shootPlaylistView(Scene& scene) {
  player::Player& player = scene.player;
  desktop::PlaylistTabs& tabs = scene.window.playlistTabs();
  // The largest playlist shows the most.
  std::size_t playlist = 0;
  for (std::size_t p = 0; p < player.playlistCount(); ++p) {
    if (player.playlistItemCount(p) > player.playlistItemCount(playlist)) playlist = p;
  }
  if (player.playlistCount() == 0 || player.playlistItemCount(playlist) < 4) return;
  player.setActivePlaylist(playlist);
  // A message left by an earlier scene would stand beside the summary.
  scene.window.statusBar()->clearMessage();
  QTableView& view = *tabs.view(playlist);
  std::vector<bool> selected(player.playlistItemCount(playlist), false);
  selected[1] = selected[2] = selected[3] = true;
  player.setSelection(playlist, selected);
  settle();

  QHeaderView& header = *view.horizontalHeader();
  std::unique_ptr<QMenu> columns(tabs.headerMenu(1));
  const QPoint header_at = header.mapTo(&scene.window, QPoint(header.sectionPosition(1) + 20, header.height()));
  scene.shooter.save("playlist_header_menu", withMenu(scene.window, *columns, header_at));

  std::unique_ptr<QMenu> rows(tabs.itemMenu(playlist, 2));
  const QRect cell = view.visualRect(view.model()->index(2, 1));
  const QPoint row_at = view.viewport()->mapTo(&scene.window, cell.center());
  scene.shooter.save("playlist_row_menu", withMenu(scene.window, *rows, row_at));

  // The status bar alone, at its full width.
  scene.shooter.save("playlist_status_bar", scene.window.statusBar()->grab());
  player.setSelection(playlist, std::vector<bool>(selected.size(), false));
  settle();
}

}  // namespace shots
