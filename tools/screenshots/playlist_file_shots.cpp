// Playlist files: the File menu with Open playlist... and Save playlist
// as..., the window after a playlist file was opened (entries outside the
// library among them), the message for a malformed file, and the save
// dialog with a filter per format.
#include <QDir>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <filesystem>
#include <fstream>

#include "desktop/desktop_app.h"
#include "desktop/desktop_ui.h"
#include "desktop/playlist_file_actions.h"
#include "player/player.h"
#include "scenes.h"
#include "shooter.h"

namespace shots {

void shootPlaylistFiles(Scene& scene) {
  desktop::MainWindow& window = scene.window;
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vostrel-shots-playlists";
  std::filesystem::create_directories(folder);

  // The File menu, drawn below its title in the menu bar.
  QMenu* file = window.menuBar()->actions().first()->menu();
  file->adjustSize();
  QPixmap picture = window.grab();
  const QPixmap popup = file->grab();
  QPainter painter(&picture);
  const QPoint at = window.menuBar()->mapTo(
      &window, window.menuBar()->actionGeometry(window.menuBar()->actions().first()).bottomLeft());
  painter.fillRect(QRect(at + QPoint(3, 3), popup.size()), QColor(0, 0, 0, 40));
  painter.drawPixmap(at, popup);
  painter.end();
  scene.shooter.save("file_menu", picture);

  // A playlist file from another player: two tracks of the library, a
  // file that is gone and a stream.
  const host::TrackList& library = scene.player.library();
  std::ofstream(folder / "Road Trip.m3u8") << "#EXTM3U\r\n"
                                           << library.at(0)->path() << "\r\n"
                                           << library.at(3)->path() << "\r\n"
                                           << "#EXTINF:245,Somebody - A Song That Is Gone\r\n../gone/song.mp3\r\n"
                                           << "#EXTINF:-1,Radio Example\r\nhttp://radio.example/stream\r\n";
  desktop::PlaylistFileActions& files = window.playlistFiles();
  files.openPlaylist(QString::fromStdString((folder / "Road Trip.m3u8").string()));
  settle();
  scene.shooter.save("playlist_opened", window.grab());

  // A malformed file: the message as the window shows it.
  std::ofstream(folder / "broken.pls") << "[playlist]\nFile1=a.mp3\nLength1=three minutes\n";
  desktop::DesktopUi& ui = scene.app.ui();
  const auto shown = ui.show_message;
  ui.show_message = [&](const QString& text, const QString& caption, bool) {
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, &window);
    box.show();
    settle();
    scene.shooter.save("playlist_open_error", box.grab());
  };
  files.openPlaylist(QString::fromStdString((folder / "broken.pls").string()));
  ui.show_message = shown;

  QFileDialog dialog(&window, QObject::tr("Save playlist as"), QString::fromStdString(folder.string()),
                     desktop::PlaylistFileActions::saveFilters().join(";;"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.selectNameFilter(desktop::PlaylistFileActions::saveFilters()[1]);
  dialog.selectFile("Road Trip.m3u8");
  dialog.resize(720, 440);
  dialog.show();
  settle();
  scene.shooter.save("playlist_save_dialog", dialog.grab());
  dialog.hide();
  std::filesystem::remove_all(folder);
}

}  // namespace shots
