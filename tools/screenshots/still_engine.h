// A playback engine that plays nothing and stays where it is put, so that
// pictures of the program show a track playing without an audio output.
#ifndef VOSTREL_TOOLS_SCREENSHOTS_STILL_ENGINE_H_
#define VOSTREL_TOOLS_SCREENSHOTS_STILL_ENGINE_H_

#include "desktop/playback_engine.h"

namespace shots {

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

}  // namespace shots

#endif  // VOSTREL_TOOLS_SCREENSHOTS_STILL_ENGINE_H_
