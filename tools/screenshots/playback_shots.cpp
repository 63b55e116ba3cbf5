// The main window while a track plays: the transport tool bar with its seek
// bar, the playing row marked, the title and time in the status bar. A still
// engine stands in for audio, a minute and a half into the track. Then the
// main window over an empty library, with the bar on adding music.
#include <memory>

#include "desktop/desktop_app.h"
#include "desktop/library_hint.h"
#include "desktop/main_window.h"
#include "library/library_file.h"
#include "desktop/playback_controller.h"
#include "player/player.h"
#include "scenes.h"
#include "shooter.h"
#include "still_engine.h"

namespace shots {

void shootPlayback(Scene& scene) {
  player::Player& player = scene.player;
  std::size_t playlist = player.activePlaylist();
  if (playlist == host::kNoPlaylist || player.playlistItemCount(playlist) < 3) playlist = 0;
  if (player.playlistCount() == 0 || player.playlistItemCount(playlist) < 3) return;
  desktop::PlaybackController& playback = scene.app.playback();
  playback.setEngine(std::make_unique<StillEngine>());
  player.playItem(playlist, 2);
  playback.seek(StillEngine::kPosition);
  settle();
  scene.shooter.save("playback", scene.window.grab());
  playback.stop();
  settle();
}

void shootEmptyLibrary(Scene& scene) {
  scene.player.replaceLibrary(library::LibraryFile{});
  scene.window.setMusicFolders({});
  settle();
  // The playlists' top with the bar above them, not the whole window.
  QWidget& centre = *scene.window.centralWidget();
  const int height = scene.window.libraryHint().height() + 90;
  scene.shooter.save("library_empty", centre.grab(QRect(0, 0, centre.width(), height)));
}

}  // namespace shots
