// The main window while a track plays: the transport tool bar with its seek
// bar, the playing row marked, the title and time in the status bar. A still
// engine stands in for audio, a minute and a half into the track.
#include <memory>

#include "desktop/desktop_app.h"
#include "desktop/playback_controller.h"
#include "desktop/playback_engine.h"
#include "player/player.h"
#include "scenes.h"
#include "shooter.h"

namespace shots {
namespace {

class StillEngine : public desktop::PlaybackEngine {
 public:
  static constexpr qint64 kPosition = 94'000;

  bool available() const override { return true; }
  QString unavailableReason() const override { return {}; }
  void load(const QUrl&) override { position_ = 0; }
  void play() override {}
  void pause() override {}
  void stop() override { position_ = 0; }
  void seek(qint64 position) override {
    position_ = position;
    emit positionChanged(position);
  }
  qint64 position() const override { return position_; }
  qint64 duration() const override { return 0; }  // the track's own length
  void setVolume(float) override {}
  float volume() const override { return 1.0f; }

 private:
  qint64 position_ = 0;
};

}  // namespace

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
