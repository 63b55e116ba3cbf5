#include "desktop/multimedia_engine.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>

namespace desktop {

MultimediaEngine::MultimediaEngine(QObject* parent) : PlaybackEngine(parent), has_output_(hasAudioOutput()) {}

MultimediaEngine::~MultimediaEngine() {
  if (player_ != nullptr) player_->stop();
}

bool MultimediaEngine::hasAudioOutput() { return !QMediaDevices::audioOutputs().isEmpty(); }

void MultimediaEngine::makePlayer() {
  if (player_ != nullptr || !has_output_) return;
  player_ = new QMediaPlayer(this);
  output_ = new QAudioOutput(this);
  output_->setVolume(volume_);
  player_->setAudioOutput(output_);
  connect(player_, &QMediaPlayer::positionChanged, this, &PlaybackEngine::positionChanged);
  connect(player_, &QMediaPlayer::durationChanged, this, &PlaybackEngine::durationChanged);
  connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
    if (status == QMediaPlayer::EndOfMedia) emit endOfMedia();
    // A decoder that gives up reports InvalidMedia, sometimes without an
    // error of its own.
    if (status == QMediaPlayer::InvalidMedia && player_->error() == QMediaPlayer::NoError) {
      emit errorOccurred(tr("The file is not a playable medium"));
    }
  });
  connect(player_, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error error, const QString& text) {
    if (error != QMediaPlayer::NoError) emit errorOccurred(text.isEmpty() ? tr("Playback failed") : text);
  });
}

bool MultimediaEngine::available() const { return has_output_ && (player_ == nullptr || player_->isAvailable()); }

QString MultimediaEngine::unavailableReason() const {
  if (!has_output_) return tr("the system offers no audio output device");
  return available() ? QString() : tr("Qt Multimedia found no media backend");
}

void MultimediaEngine::load(const QUrl& url) {
  makePlayer();
  if (player_ == nullptr) {
    emit errorOccurred(unavailableReason());
    return;
  }
  player_->stop();
  player_->setSource(url);
}

void MultimediaEngine::play() {
  if (player_ != nullptr) player_->play();
}

void MultimediaEngine::pause() {
  if (player_ != nullptr) player_->pause();
}

void MultimediaEngine::stop() {
  if (player_ == nullptr) return;
  player_->stop();
  player_->setSource(QUrl());
}

void MultimediaEngine::seek(qint64 position) {
  if (player_ != nullptr) player_->setPosition(position);
}

qint64 MultimediaEngine::position() const { return player_ != nullptr ? player_->position() : 0; }
qint64 MultimediaEngine::duration() const { return player_ != nullptr ? player_->duration() : 0; }

void MultimediaEngine::setVolume(float volume) {
  volume_ = volume;
  if (output_ != nullptr) output_->setVolume(volume);
}

float MultimediaEngine::volume() const { return volume_; }

}  // namespace desktop
