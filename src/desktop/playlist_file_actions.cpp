#include "desktop/playlist_file_actions.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

#include "desktop/desktop_ui.h"
#include "desktop/player_signals.h"
#include "player/playlist_file.h"
#include "profile/data_error.h"

namespace desktop {
namespace {

constexpr int kStatusMilliseconds = 8000;

std::filesystem::path toPath(const QString& path) { return std::filesystem::path(path.toStdString()); }

QString items(std::size_t count) {
  return count == 1 ? QStringLiteral("1 item") : QStringLiteral("%L1 items").arg(count);
}

}  // namespace

PlaylistFileActions::PlaylistFileActions(player::Player& player, DesktopUi& ui, PlayerSignals& player_signals,
                                         QMainWindow& window)
    : QObject(&window), player_(player), ui_(ui), window_(window) {
  open_ = new QAction(tr("Open &playlist..."), this);
  open_->setObjectName(QStringLiteral("open_playlist"));
  open_->setStatusTip(tr("Add a playlist file (M3U, M3U8, PLS, XSPF) as a new playlist"));
  connect(open_, &QAction::triggered, this, &PlaylistFileActions::chooseAndOpen);
  save_ = new QAction(tr("&Save playlist as..."), this);
  save_->setObjectName(QStringLiteral("save_playlist"));
  save_->setStatusTip(tr("Write the current playlist to a playlist file"));
  connect(save_, &QAction::triggered, this, &PlaylistFileActions::chooseAndSave);
  connect(&player_signals, &PlayerSignals::playlistEvent, this, &PlaylistFileActions::updateEnabled);
  updateEnabled();
}

void PlaylistFileActions::addTo(QMenu& menu) {
  menu.addAction(open_);
  menu.addAction(save_);
}

QString PlaylistFileActions::openFilter() { return tr("Playlist files (*.m3u *.m3u8 *.pls *.xspf);;All files (*)"); }

QStringList PlaylistFileActions::saveFilters() {
  return {tr("M3U playlist (*.m3u)"), tr("M3U8 playlist, UTF-8 (*.m3u8)"), tr("PLS playlist (*.pls)"),
          tr("XSPF playlist (*.xspf)")};
}

void PlaylistFileActions::updateEnabled() { save_->setEnabled(player_.activePlaylist() != host::kNoPlaylist); }

bool PlaylistFileActions::openPlaylist(const QString& path) {
  player::PlaylistFileContents contents;
  try {
    contents = player::readPlaylistFile(toPath(path));
  } catch (const profile::DataError& e) {
    ui_.show_message(QString::fromUtf8(e.what()), tr("Open playlist"), true);
    return false;
  }
  folder_ = QFileInfo(path).absolutePath();
  const std::string name = player::unusedPlaylistName(player_, contents.name);
  const player::ImportedPlaylist imported = player::importPlaylist(player_, contents, name);
  player_.setActivePlaylist(imported.playlist);
  QString status = tr("Opened \"%1\": %2").arg(QString::fromStdString(name), items(contents.entries.size()));
  if (imported.outside_library > 0) status += tr(", %L1 not in the library").arg(imported.outside_library);
  window_.statusBar()->showMessage(status, kStatusMilliseconds);
  return true;
}

bool PlaylistFileActions::savePlaylist(const QString& path) {
  const std::size_t playlist = player_.activePlaylist();
  if (playlist == host::kNoPlaylist) return false;
  const std::string name = player_.playlistName(playlist);
  const host::TrackList tracks = player_.playlistItems(playlist);
  try {
    player::writePlaylistFile(toPath(path), tracks, name);
  } catch (const profile::DataError& e) {
    ui_.show_message(QString::fromUtf8(e.what()), tr("Save playlist"), true);
    return false;
  }
  folder_ = QFileInfo(path).absolutePath();
  window_.statusBar()->showMessage(
      tr("Saved \"%1\" to %2: %3").arg(QString::fromStdString(name), QFileInfo(path).fileName(), items(tracks.size())),
      kStatusMilliseconds);
  return true;
}

void PlaylistFileActions::chooseAndOpen() {
  const QString path = QFileDialog::getOpenFileName(&window_, tr("Open playlist"), folder_, openFilter());
  if (!path.isEmpty()) openPlaylist(path);
}

void PlaylistFileActions::chooseAndSave() {
  const std::size_t playlist = player_.activePlaylist();
  if (playlist == host::kNoPlaylist) return;
  const QStringList filters = saveFilters();
  QString filter = filters[1];
  // The playlist's name as a file name: no folder separators in it.
  const QString file_name = QString::fromStdString(player_.playlistName(playlist)).replace('/', '-');
  const QString suggested = QDir(folder_.isEmpty() ? QDir::homePath() : folder_).filePath(file_name + ".m3u8");
  QString path = QFileDialog::getSaveFileName(&window_, tr("Save playlist as"), suggested, filters.join(";;"), &filter);
  if (path.isEmpty()) return;
  // A name without a playlist extension takes the chosen filter's.
  if (!player::playlistFormatOf(toPath(path))) {
    const qsizetype format = std::max<qsizetype>(filters.indexOf(filter), 0);
    path += QStringLiteral(".") + QString::fromLatin1(player::kPlaylistExtensions[format]);
  }
  savePlaylist(path);
}

}  // namespace desktop
