// The playlist tables' row menu: play, remove, crop, copy, open the folder,
// show the properties.
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QUrl>

#include "desktop/playback_controller.h"
#include "desktop/playlist_drop.h"
#include "desktop/playlist_tabs.h"
#include "desktop/track_properties_dialog.h"

namespace desktop {
namespace {

std::vector<std::size_t> selectedItems(const player::Player& player, std::size_t playlist) {
  const std::vector<bool>& flags = player.playlists().at(playlist).selected;
  std::vector<std::size_t> items;
  for (std::size_t i = 0; i < flags.size(); ++i) {
    if (flags[i]) items.push_back(i);
  }
  return items;
}

}  // namespace

QMenu* PlaylistTabs::itemMenu(std::size_t playlist, int row) {
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("playlist_item_menu"));
  const bool on_item = row >= 0 && static_cast<std::size_t>(row) < player_.playlistItemCount(playlist);
  const std::size_t item = on_item ? static_cast<std::size_t>(row) : 0;
  const std::size_t selected = selectedItems(player_, playlist).size();

  QAction* play = menu->addAction(tr("&Play"), this, [this, playlist, item] {
    if (item < player_.playlistItemCount(playlist)) player_.playItem(playlist, item);
  });
  play->setEnabled(on_item);
  menu->addSeparator();
  QAction* remove = menu->addAction(tr("&Remove"), this, &PlaylistTabs::removeSelectedItems);
  remove->setShortcut(QKeySequence::Delete);
  remove->setEnabled(selected > 0);
  QAction* crop = menu->addAction(tr("C&rop"), this, [this, playlist] { cropToSelection(playlist); });
  crop->setToolTip(tr("Keep only the selected tracks"));
  crop->setEnabled(selected > 0 && selected < player_.playlistItemCount(playlist));
  QAction* copy = menu->addAction(tr("&Copy"), this, [this, playlist] { copySelection(playlist); });
  copy->setShortcut(QKeySequence::Copy);
  copy->setEnabled(selected > 0);
  menu->addSeparator();
  QAction* folder =
      menu->addAction(tr("Open containing &folder"), this, [this, playlist, item] { openContainingFolder(playlist, item); });
  folder->setEnabled(on_item);
  QAction* properties =
      menu->addAction(tr("Propert&ies"), this, [this, playlist, item] { showProperties(playlist, item); });
  properties->setEnabled(on_item);
  // The header's menu, for those who reach the table by keyboard.
  menu->addSeparator();
  QMenu* columns = headerMenu(-1);
  columns->setTitle(tr("Co&lumns"));
  menu->addMenu(columns);
  return menu;
}

void PlaylistTabs::cropToSelection(std::size_t playlist) {
  if (playlist >= player_.playlistCount()) return;
  const std::vector<bool>& flags = player_.playlists().at(playlist).selected;
  std::vector<std::size_t> others;
  for (std::size_t i = 0; i < flags.size(); ++i) {
    if (!flags[i]) others.push_back(i);
  }
  // Without a selection crop would empty the playlist: it keeps it instead.
  if (others.size() == flags.size() || others.empty()) return;
  player_.removeItems(playlist, std::move(others));
}

void PlaylistTabs::copySelection(std::size_t playlist) {
  if (playlist >= player_.playlistCount()) return;
  const std::vector<std::size_t> items = selectedItems(player_, playlist);
  if (items.empty()) return;
  QApplication::clipboard()->setMimeData(filesMimeData(player_, playlist, items));
}

void PlaylistTabs::openContainingFolder(std::size_t playlist, std::size_t item) {
  if (playlist >= player_.playlistCount() || item >= player_.playlistItemCount(playlist)) return;
  const QUrl url = PlaybackController::trackUrl(*player_.playlists().at(playlist).items[item]);
  if (!url.isLocalFile()) {
    player_.consoleLine("[vostrel] No folder to open for " + url.toString().toStdString());
    return;
  }
  const QUrl folder = QUrl::fromLocalFile(QFileInfo(url.toLocalFile()).absolutePath());
  const bool opened = open_url_ ? open_url_(folder) : QDesktopServices::openUrl(folder);
  if (!opened) player_.consoleLine("[vostrel] Cannot open the folder " + folder.toLocalFile().toStdString());
}

void PlaylistTabs::showProperties(std::size_t playlist, std::size_t item) {
  if (playlist >= player_.playlistCount() || item >= player_.playlistItemCount(playlist)) return;
  // The dialog keeps the track alive while it shows it.
  const host::TrackHandle track = player_.playlists().at(playlist).items[item];
  auto* dialog = new TrackPropertiesDialog(*track, covers_, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QObject::destroyed, this, [track] {});
  dialog->show();
}

}  // namespace desktop
