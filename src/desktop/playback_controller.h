// PlaybackController: plays what the player says is playing. The player
// keeps the playing playlist and item (and raises playbackChanged when they
// change, whoever changed them: a double click, a node's action, a command
// sent to the program); the controller loads that item into the engine and
// plays it, and moves the player on when the item ends or cannot be played.
//
//   PlaybackController playback(player, [] { return std::make_unique<MultimediaEngine>(); });
//   playback.play();    // resumes, or starts the active playlist
//   playback.next();    // past the last item: stops
//
// A file that cannot be played goes to the log and playback moves on to the
// next item in the playback order; where the order ends it stops. Moving on waits for the
// event loop, so a long run of bad files neither recurses nor blocks.
//
// When the program starts the player may still name a playing item from
// the last session: it stays marked, and the controller is stopped.
#ifndef VOSTREL_DESKTOP_PLAYBACK_CONTROLLER_H_
#define VOSTREL_DESKTOP_PLAYBACK_CONTROLLER_H_

#include <cstdint>
#include <functional>
#include <memory>

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>

#include "desktop/playback_engine.h"
#include "player/player.h"

namespace desktop {

class PlaybackController : public QObject, public player::PlayerListener {
  Q_OBJECT

 public:
  enum class State { kStopped, kPlaying, kPaused };
  using EngineFactory = std::function<std::unique_ptr<PlaybackEngine>()>;

  // The engine is made by `factory` when first needed.
  PlaybackController(player::Player& player, EngineFactory factory, QObject* parent = nullptr);
  ~PlaybackController() override;

  PlaybackController(const PlaybackController&) = delete;
  PlaybackController& operator=(const PlaybackController&) = delete;

  // Replaces the engine (stopping what plays); the controller owns it.
  void setEngine(std::unique_ptr<PlaybackEngine> engine);
  PlaybackEngine& engine();

  player::Player& player() const { return player_; }
  State state() const { return state_; }
  // The track playing or paused; nullptr when stopped.
  const host::TrackHandle& track() const { return track_; }
  // Milliseconds; the duration is the engine's, or the track's length
  // while the engine does not know it.
  qint64 position() const;
  qint64 duration() const;

  // "Stopped", or "Playing: " / "Paused: " with the formatted title and
  // "m:ss / m:ss".
  QString statusText() const;
  // The track formatted by "[%artist% - ]%title%".
  QString title() const;
  // "m:ss" ("h:mm:ss" from an hour on).
  static QString formatTime(qint64 milliseconds);
  // A track path as a URL for the engine.
  static QUrl trackUrl(const host::Track& track);

  // Resumes when paused; otherwise starts the active playlist (from its
  // first selected item).
  void play();
  void pause();
  void playPause();
  void stop();
  void next();
  void previous();
  // Clamped to the track.
  void seek(qint64 position);
  // Whether Next and Previous lead to an item in the playback order.
  bool canGoNext() const;
  bool canGoPrevious() const;

  // The player's playback order; changing it here tells the windows.
  player::PlaybackOrder order() const { return player_.playbackOrder(); }
  void setOrder(player::PlaybackOrder order);
  // 0 (silent) to 1 (full), kept in the settings; clamped. The settings are
  // saved shortly after either changes, and at the latest when the
  // controller goes.
  double volume() const { return volume_; }
  void setVolume(double volume);

  // player::PlayerListener
  void playbackChanged() override;
  void playlistChanged(const player::PlaylistChange& change) override;

 signals:
  void stateChanged(desktop::PlaybackController::State state);
  // Another track (or none) is playing, or the playing track's info was
  // read again.
  void trackChanged();
  void positionChanged(qint64 position);
  void durationChanged(qint64 duration);
  // The position jumped (a seek).
  void seeked(qint64 position);
  // statusText() may read differently.
  void statusChanged();
  void orderChanged(player::PlaybackOrder order);
  void volumeChanged(double volume);

 private:
  void connectEngine();
  void saveSettings();
  void setState(State state);
  void clearTrack();
  // The current track ended (`failed`: could not be played): move on once
  // the event loop runs, unless another track was started meanwhile.
  void finishTrack(bool failed, const QString& message);

  player::Player& player_;
  EngineFactory factory_;
  std::unique_ptr<PlaybackEngine> engine_;
  host::TitleFormatScriptPtr title_script_;
  State state_ = State::kStopped;
  host::TrackHandle track_;
  // Counts loads, so that a late report about an earlier track is ignored
  // and a track that reports its end twice moves on once.
  uint64_t generation_ = 0;
  uint64_t finished_ = 0;
  bool reported_unavailable_ = false;
  double volume_;
  QTimer save_settings_;
  std::size_t failures_in_row_ = 0;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PLAYBACK_CONTROLLER_H_
