// PlaybackEngine: what the desktop program needs from an audio engine. One
// source at a time: load() replaces it, play() starts or resumes it. Times
// are milliseconds.
//
// The engine reports, as signals, where it is (positionChanged), the
// length it found (durationChanged), that the source played to its end
// (endOfMedia) and that it could not play it (errorOccurred). It may report
// an error from inside load() or play(); listeners must not reenter it from
// the signal. MultimediaEngine plays for real; tests use a fake.
#ifndef VOSTREL_DESKTOP_PLAYBACK_ENGINE_H_
#define VOSTREL_DESKTOP_PLAYBACK_ENGINE_H_

#include <QObject>
#include <QString>
#include <QUrl>

namespace desktop {

class PlaybackEngine : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;
  ~PlaybackEngine() override = default;

  // False when the engine cannot play anything at all (no backend); then
  // unavailableReason() says why.
  virtual bool available() const = 0;
  virtual QString unavailableReason() const = 0;

  // Makes `url` the source, stopped at its start.
  virtual void load(const QUrl& url) = 0;
  virtual void play() = 0;
  virtual void pause() = 0;
  // Stops and forgets the source.
  virtual void stop() = 0;
  virtual void seek(qint64 position) = 0;
  virtual qint64 position() const = 0;
  // 0 while unknown.
  virtual qint64 duration() const = 0;
  // 0 (silent) to 1 (full).
  virtual void setVolume(float volume) = 0;
  virtual float volume() const = 0;

 signals:
  void positionChanged(qint64 position);
  void durationChanged(qint64 duration);
  void endOfMedia();
  void errorOccurred(const QString& message);
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PLAYBACK_ENGINE_H_
