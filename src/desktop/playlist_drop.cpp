#include "desktop/playlist_drop.h"

#include <algorithm>
#include <memory>
#include <optional>

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "desktop/playback_controller.h"
#include "library/file_uri.h"
#include "ui/node_drag.h"

namespace desktop {
namespace {

struct DraggedRows {
  std::size_t playlist;
  std::vector<std::size_t> rows;  // ascending, each valid
};

// The rows `data` carries, checked against the player as it is now.
std::optional<DraggedRows> draggedRows(const player::Player& player, const QMimeData& data) {
  const QByteArray text = data.data(QString::fromLatin1(kRowsMimeType));
  const qsizetype colon = text.indexOf(':');
  if (colon <= 0) return std::nullopt;
  bool ok = false;
  DraggedRows dragged;
  dragged.playlist = text.left(colon).toULongLong(&ok);
  if (!ok || dragged.playlist >= player.playlistCount()) return std::nullopt;
  const std::size_t count = player.playlistItemCount(dragged.playlist);
  for (const QByteArray& part : text.mid(colon + 1).split(',')) {
    const qulonglong row = part.toULongLong(&ok);
    if (!ok || row >= count) return std::nullopt;
    dragged.rows.push_back(static_cast<std::size_t>(row));
  }
  std::sort(dragged.rows.begin(), dragged.rows.end());
  dragged.rows.erase(std::unique(dragged.rows.begin(), dragged.rows.end()), dragged.rows.end());
  if (dragged.rows.empty()) return std::nullopt;
  return dragged;
}

std::vector<std::filesystem::path> localFiles(const QMimeData& data) {
  std::vector<std::filesystem::path> paths;
  for (const QUrl& url : data.urls()) {
    if (url.isLocalFile()) paths.emplace_back(url.toLocalFile().toStdString());
  }
  return paths;
}

}  // namespace

QMimeData* filesMimeData(const player::Player& player, std::size_t playlist, const std::vector<std::size_t>& rows) {
  QList<QUrl> urls;
  QStringList paths;
  const host::TrackList& items = player.playlists().at(playlist).items;
  for (std::size_t row : rows) {
    if (row >= items.size()) continue;
    const QUrl url = PlaybackController::trackUrl(*items[row]);
    urls.push_back(url);
    paths.push_back(url.isLocalFile() ? url.toLocalFile() : url.toString());
  }
  auto* data = new QMimeData;
  data->setUrls(urls);
  data->setText(paths.join('\n'));
  return data;
}

QMimeData* rowsMimeData(const player::Player& player, std::size_t playlist, const std::vector<std::size_t>& rows) {
  QByteArray text = QByteArray::number(qulonglong(playlist)) + ':';
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) text += ',';
    text += QByteArray::number(qulonglong(rows[i]));
  }
  std::unique_ptr<QMimeData> files(filesMimeData(player, playlist, rows));
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(kRowsMimeType), text);
  data->setText(files->text());
  return data;
}

bool canDropOnPlaylist(const QMimeData& data) {
  return data.hasFormat(QString::fromLatin1(kRowsMimeType)) || ui::carriesNode(data) || data.hasUrls();
}

bool PlaylistDrop::take(const QMimeData& data, host::TrackList& tracks, std::string& name) {
  if (const std::optional<DraggedRows> rows = draggedRows(player_, data)) {
    const host::TrackList& items = player_.playlists().at(rows->playlist).items;
    for (std::size_t row : rows->rows) tracks.push_back(items[row]);
    name = player_.playlistName(rows->playlist);
    return true;
  }
  if (data.hasFormat(QString::fromLatin1(kRowsMimeType))) return false;  // rows that are gone
  if (ui::carriesNode(data)) {
    std::optional<ui::DroppedNode> node = ui::takeDroppedNode(data);
    if (!node) return false;
    tracks = std::move(node->tracks);
    name = std::move(node->name);
    return true;
  }
  const std::vector<std::filesystem::path> paths = localFiles(data);
  if (paths.empty()) return false;
  DroppedFiles read = readDroppedFiles(paths, read_playlist_);
  for (const std::string& failure : read.failed) player_.consoleLine("[vostrel] Cannot add " + failure);
  tracks = std::move(read.tracks);
  const std::filesystem::path& first = paths.front();
  name = (first.has_filename() ? first : first.parent_path()).filename().string();
  if (isPlaylistFile(first)) name = first.stem().string();
  return !tracks.empty();
}

bool PlaylistDrop::drop(const QMimeData& data, Qt::DropAction action, std::size_t playlist, std::size_t before) {
  if (playlist >= player_.playlistCount()) return false;
  before = std::min(before, player_.playlistItemCount(playlist));
  if (const std::optional<DraggedRows> rows = draggedRows(player_, data)) {
    if (rows->playlist == playlist && action != Qt::CopyAction) {
      player_.moveItems(playlist, rows->rows, before);
      return true;
    }
    const host::TrackList& items = player_.playlists().at(rows->playlist).items;
    host::TrackList tracks;
    for (std::size_t row : rows->rows) tracks.push_back(items[row]);
    // The arrivals alone are selected where they land.
    player_.setSelection(playlist, std::vector<bool>(player_.playlistItemCount(playlist), false));
    player_.insertItems(playlist, before, tracks, true);
    if (rows->playlist != playlist && action != Qt::CopyAction) player_.removeItems(rows->playlist, rows->rows);
    return true;
  }
  host::TrackList tracks;
  std::string name;
  if (!take(data, tracks, name)) return false;
  before = std::min(before, player_.playlistItemCount(playlist));  // a node's run may have changed the list
  player_.setSelection(playlist, std::vector<bool>(player_.playlistItemCount(playlist), false));
  player_.insertItems(playlist, before, tracks, true);
  return true;
}

std::size_t PlaylistDrop::dropOnNewPlaylist(const QMimeData& data, Qt::DropAction action) {
  host::TrackList tracks;
  std::string name;
  const std::optional<DraggedRows> rows = draggedRows(player_, data);
  if (!take(data, tracks, name) || tracks.empty()) return host::kNoPlaylist;
  if (name.empty()) name = "New playlist";
  const std::size_t playlist = player_.createPlaylist(name);
  player_.insertItems(playlist, 0, tracks, true);
  if (rows && action != Qt::CopyAction) player_.removeItems(rows->playlist, rows->rows);
  player_.setActivePlaylist(playlist);
  return playlist;
}

}  // namespace desktop
