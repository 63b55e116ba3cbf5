#include "desktop/playback_controller.h"

#include <algorithm>

#include <QTimer>

namespace desktop {
namespace {

constexpr const char* kTitleFormat = "[%artist% - ]%title%";

}  // namespace

PlaybackController::PlaybackController(player::Player& player, EngineFactory factory, QObject* parent)
    : QObject(parent),
      player_(player),
      factory_(std::move(factory)),
      title_script_(player.compileTitleFormat(kTitleFormat, nullptr)),
      volume_(player.settings().volume().value_or(1.0)) {
  player_.addListener(this);
  // A volume dragged across the slider is written once, when it rests.
  save_settings_.setSingleShot(true);
  save_settings_.setInterval(500);
  connect(&save_settings_, &QTimer::timeout, this, &PlaybackController::saveSettings);
}

void PlaybackController::setOrder(player::PlaybackOrder order) {
  if (order == player_.playbackOrder()) return;
  player_.setPlaybackOrder(order);
  save_settings_.start();
  emit orderChanged(order);
}

void PlaybackController::saveSettings() {
  save_settings_.stop();
  try {
    player_.settings().save();
  } catch (const std::exception& error) {
    player_.consoleLine(std::string("[vostrel] Cannot save the settings: ") + error.what());
  }
}

void PlaybackController::setVolume(double volume) {
  volume = std::clamp(volume, 0.0, 1.0);
  if (volume == volume_) return;
  volume_ = volume;
  player_.settings().setVolume(volume);
  if (engine_ != nullptr) engine_->setVolume(static_cast<float>(volume));
  save_settings_.start();
  emit volumeChanged(volume);
}

PlaybackController::~PlaybackController() {
  if (save_settings_.isActive()) saveSettings();
  player_.removeListener(this);
  if (engine_ != nullptr) engine_->stop();
}

void PlaybackController::setEngine(std::unique_ptr<PlaybackEngine> engine) {
  if (engine_ != nullptr) {
    engine_->disconnect(this);
    engine_->stop();
  }
  engine_ = std::move(engine);
  connectEngine();
  if (state_ != State::kStopped) {
    clearTrack();
    setState(State::kStopped);
  }
}

PlaybackEngine& PlaybackController::engine() {
  if (engine_ == nullptr) {
    engine_ = factory_();
    connectEngine();
  }
  return *engine_;
}

void PlaybackController::connectEngine() {
  if (engine_ == nullptr) return;
  engine_->setVolume(static_cast<float>(volume_));
  connect(engine_.get(), &PlaybackEngine::positionChanged, this, [this](qint64 position) {
    if (state_ == State::kStopped) return;
    emit positionChanged(position);
    emit statusChanged();
  });
  connect(engine_.get(), &PlaybackEngine::durationChanged, this, [this] {
    if (state_ == State::kStopped) return;
    emit durationChanged(duration());
    emit statusChanged();
  });
  connect(engine_.get(), &PlaybackEngine::endOfMedia, this, [this] { finishTrack(false, {}); });
  connect(engine_.get(), &PlaybackEngine::errorOccurred, this,
          [this](const QString& message) { finishTrack(true, message); });
}

qint64 PlaybackController::position() const {
  if (state_ == State::kStopped || engine_ == nullptr) return 0;
  return std::max<qint64>(engine_->position(), 0);
}

qint64 PlaybackController::duration() const {
  if (track_ == nullptr) return 0;
  const qint64 known = engine_ != nullptr ? engine_->duration() : 0;
  return known > 0 ? known : static_cast<qint64>(track_->length() * 1000.0 + 0.5);
}

QString PlaybackController::title() const {
  if (track_ == nullptr || title_script_ == nullptr) return {};
  std::string text;
  player_.formatTitle(*track_, *title_script_, text);
  return QString::fromStdString(text);
}

QString PlaybackController::formatTime(qint64 milliseconds) {
  const qint64 seconds = std::max<qint64>(milliseconds, 0) / 1000;
  const qint64 minutes = seconds / 60;
  if (minutes >= 60) {
    return QStringLiteral("%1:%2:%3")
        .arg(minutes / 60)
        .arg(minutes % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
  }
  return QStringLiteral("%1:%2").arg(minutes).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString PlaybackController::statusText() const {
  if (state_ == State::kStopped) return tr("Stopped");
  return tr("%1: %2  %3 / %4")
      .arg(state_ == State::kPaused ? tr("Paused") : tr("Playing"), title(), formatTime(position()),
           formatTime(duration()));
}

QUrl PlaybackController::trackUrl(const host::Track& track) {
  const QString path = QString::fromUtf8(track.path().data(), static_cast<qsizetype>(track.path().size()));
  if (path.startsWith(QLatin1Char('/'))) return QUrl::fromLocalFile(path);
  // Paths may or may not be percent-encoded; tolerant parsing keeps an
  // escape and encodes what needs it.
  return QUrl(path, QUrl::TolerantMode);
}

void PlaybackController::play() {
  if (state_ == State::kPaused) {
    engine().play();
    setState(State::kPlaying);
    return;
  }
  if (player_.activePlaylist() != host::kNoPlaylist) player_.startPlayback(player_.activePlaylist());
}

void PlaybackController::pause() {
  if (state_ != State::kPlaying) return;
  engine().pause();
  setState(State::kPaused);
}

void PlaybackController::playPause() {
  if (state_ == State::kPlaying) {
    pause();
  } else {
    play();
  }
}

void PlaybackController::stop() { player_.stopPlayback(); }
void PlaybackController::next() { player_.playNext(); }
void PlaybackController::previous() { player_.playPrevious(); }

void PlaybackController::seek(qint64 position) {
  if (state_ == State::kStopped) return;
  const qint64 length = duration();
  position = std::max<qint64>(position, 0);
  if (length > 0) position = std::min(position, length);
  engine().seek(position);
  emit seeked(position);
  emit positionChanged(position);
  emit statusChanged();
}

bool PlaybackController::canGoNext() const { return player_.nextItem() != player::Player::kNoItem; }

bool PlaybackController::canGoPrevious() const { return player_.previousItem() != player::Player::kNoItem; }

void PlaybackController::playbackChanged() {
  const std::size_t playlist = player_.playingPlaylist();
  const std::size_t item = player_.playingItem();
  ++generation_;
  if (playlist == host::kNoPlaylist || item == player::Player::kNoItem) {
    if (engine_ != nullptr) engine_->stop();
    clearTrack();
    setState(State::kStopped);
    return;
  }
  track_ = player_.playlists().at(playlist).items.at(item);
  PlaybackEngine& engine = this->engine();
  if (!engine.available()) {
    if (!reported_unavailable_) {
      reported_unavailable_ = true;
      player_.consoleLine("[vostrel] Playback is not available: " + engine.unavailableReason().toStdString());
    }
    // Nothing can play: stop once the player has told everyone.
    const uint64_t generation = generation_;
    QTimer::singleShot(0, this, [this, generation] {
      if (generation == generation_) player_.stopPlayback();
    });
    return;
  }
  engine.load(trackUrl(*track_));
  engine.play();
  emit trackChanged();
  setState(State::kPlaying);
  emit durationChanged(duration());
  emit positionChanged(0);
  emit statusChanged();
}

void PlaybackController::playlistChanged(const player::PlaylistChange& change) {
  // A rescan hands out new records for the same files: the playing one's
  // info may have changed.
  if (change.event != host::PlaylistEvent::kItemsReplaced || track_ == nullptr) return;
  const std::size_t playlist = player_.playingPlaylist();
  const std::size_t item = player_.playingItem();
  if (change.playlist != playlist || item == player::Player::kNoItem) return;
  const host::TrackHandle& now = player_.playlists().at(playlist).items.at(item);
  if (now == track_ || now->path() != track_->path()) return;
  track_ = now;
  emit trackChanged();
  emit statusChanged();
}

void PlaybackController::finishTrack(bool failed, const QString& message) {
  if (track_ == nullptr || finished_ == generation_) return;
  finished_ = generation_;
  if (failed) {
    player_.consoleLine("[vostrel] Cannot play " + std::string(track_->path()) + ": " + message.toStdString());
  }
  // A file that failed is not tried again at once (Repeat track), and a
  // repeating order that meets nothing but failures stops after one round.
  failures_in_row_ = failed ? failures_in_row_ + 1 : 0;
  const bool give_up = player_.playingPlaylist() != host::kNoPlaylist &&
                       failures_in_row_ >= player_.playlistItemCount(player_.playingPlaylist());
  const player::Advance advance = failed ? player::Advance::kUser : player::Advance::kTrackEnded;
  const uint64_t generation = generation_;
  QTimer::singleShot(0, this, [this, generation, advance, give_up] {
    if (generation != generation_) return;
    if (give_up) {
      failures_in_row_ = 0;
      player_.stopPlayback();
    } else {
      player_.playNext(advance);
    }
  });
}

void PlaybackController::clearTrack() {
  if (track_ == nullptr) return;
  track_.reset();
  emit trackChanged();
  emit positionChanged(0);
  emit durationChanged(0);
  emit statusChanged();
}

void PlaybackController::setState(State state) {
  if (state == state_) return;
  state_ = state;
  emit stateChanged(state);
  emit statusChanged();
}

}  // namespace desktop
