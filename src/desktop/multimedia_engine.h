// MultimediaEngine: PlaybackEngine over Qt Multimedia (a QMediaPlayer with
// an audio output on the system's default device).
#ifndef VOSTREL_DESKTOP_MULTIMEDIA_ENGINE_H_
#define VOSTREL_DESKTOP_MULTIMEDIA_ENGINE_H_

#include "desktop/playback_engine.h"

class QAudioOutput;
class QMediaPlayer;

namespace desktop {

class MultimediaEngine : public PlaybackEngine {
  Q_OBJECT

 public:
  explicit MultimediaEngine(QObject* parent = nullptr);
  ~MultimediaEngine() override;

  // Whether the system offers an audio output device at all.
  static bool hasAudioOutput();

  bool available() const override;
  QString unavailableReason() const override;
  void load(const QUrl& url) override;
  void play() override;
  void pause() override;
  void stop() override;
  void seek(qint64 position) override;
  qint64 position() const override;
  qint64 duration() const override;
  void setVolume(float volume) override;
  float volume() const override;

 private:
  QMediaPlayer* player_;
  QAudioOutput* output_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_MULTIMEDIA_ENGINE_H_
