#include "desktop/multimedia_engine.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>

namespace desktop {

MultimediaEngine::MultimediaEngine(QObject* parent)
    : PlaybackEngine(parent), player_(new QMediaPlayer(this)), output_(new QAudioOutput(this)) {
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

MultimediaEngine::~MultimediaEngine() { player_->stop(); }

bool MultimediaEngine::hasAudioOutput() { return !QMediaDevices::audioOutputs().isEmpty(); }

bool MultimediaEngine::available() const { return player_->isAvailable(); }

QString MultimediaEngine::unavailableReason() const {
  return available() ? QString() : tr("Qt Multimedia found no media backend");
}

void MultimediaEngine::load(const QUrl& url) {
  player_->stop();
  player_->setSource(url);
}

void MultimediaEngine::play() { player_->play(); }
void MultimediaEngine::pause() { player_->pause(); }

void MultimediaEngine::stop() {
  player_->stop();
  player_->setSource(QUrl());
}

void MultimediaEngine::seek(qint64 position) { player_->setPosition(position); }
qint64 MultimediaEngine::position() const { return player_->position(); }
qint64 MultimediaEngine::duration() const { return player_->duration(); }
void MultimediaEngine::setVolume(float volume) { output_->setVolume(volume); }
float MultimediaEngine::volume() const { return output_->volume(); }

}  // namespace desktop
