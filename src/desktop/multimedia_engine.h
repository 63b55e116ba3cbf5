// MultimediaEngine: PlaybackEngine over Qt Multimedia (a QMediaPlayer with
// an audio output on the system's default device).
//
// The media player is made on the first load, and only where the system
// offers an audio output: some media backends crash while they make a
// player they cannot give a sink to. Without an output the engine is
// unavailable.
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
  void makePlayer();

  QMediaPlayer* player_ = nullptr;
  QAudioOutput* output_ = nullptr;
  float volume_ = 1.0f;
  bool has_output_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_MULTIMEDIA_ENGINE_H_
