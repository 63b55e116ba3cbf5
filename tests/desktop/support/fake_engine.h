// FakeEngine: a PlaybackEngine that plays nothing. It records the calls it
// gets ("load 01 One.flac", "play", "pause", "stop", "seek 1000"), fails
// on the file names it is told are bad, and lets a test move the position
// or end the track.
#ifndef VOSTREL_TESTS_DESKTOP_SUPPORT_FAKE_ENGINE_H_
#define VOSTREL_TESTS_DESKTOP_SUPPORT_FAKE_ENGINE_H_

#include <QSet>
#include <QStringList>

#include "desktop/playback_engine.h"

namespace desktop_testing {

class FakeEngine : public desktop::PlaybackEngine {
  Q_OBJECT

 public:
  bool available() const override { return available_; }
  QString unavailableReason() const override { return QStringLiteral("no audio in this test"); }

  void load(const QUrl& url) override {
    source = url;
    position_ = 0;
    calls << "load " + url.fileName();
    if (bad.contains(url.fileName())) emit errorOccurred(QStringLiteral("cannot decode"));
  }
  void play() override { calls << QStringLiteral("play"); }
  void pause() override { calls << QStringLiteral("pause"); }
  void stop() override {
    calls << QStringLiteral("stop");
    source.clear();
    position_ = 0;
  }
  void seek(qint64 position) override {
    calls << QStringLiteral("seek %1").arg(position);
    position_ = position;
  }
  qint64 position() const override { return position_; }
  qint64 duration() const override { return duration_; }
  void setVolume(float volume) override { volume_ = volume; }
  float volume() const override { return volume_; }

  // What the engine would report while playing.
  void advance(qint64 position) {
    position_ = position;
    emit positionChanged(position);
  }
  void finish() { emit endOfMedia(); }
  void fail(const QString& message) { emit errorOccurred(message); }

  bool available_ = true;
  QSet<QString> bad;  // file names that fail on load
  QStringList calls;
  QUrl source;
  qint64 duration_ = 0;  // 0: the track's length counts

 private:
  qint64 position_ = 0;
  float volume_ = 1.0f;
};

}  // namespace desktop_testing

#endif  // VOSTREL_TESTS_DESKTOP_SUPPORT_FAKE_ENGINE_H_
