// The main window while a track plays: the transport tool bar with its seek
// bar, the playing row marked, the title and time in the status bar. A still
// engine stands in for audio, a minute and a half into the track.
#include <memory>

#include "desktop/desktop_app.h"
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

}  // namespace shots
