// What the protocol needs from the program's audio playback. The desktop
// program and `vostrel serve` give their playback controller; tests give a
// fake. Times are milliseconds.
#ifndef VOSTREL_MPD_PLAYBACK_H_
#define VOSTREL_MPD_PLAYBACK_H_

#include <cstdint>
#include <string>

#include "player/playback_order.h"

namespace mpd {

class Playback {
 public:
  enum class State { kStopped, kPlaying, kPaused };
  virtual ~Playback() = default;

  // False when nothing can be played here (no audio output, no decoders);
  // unavailableReason() then says why, and play() is refused with it.
  virtual bool available() const = 0;
  virtual std::string unavailableReason() const = 0;

  virtual State state() const = 0;
  virtual int64_t position() const = 0;
  virtual int64_t duration() const = 0;
  // Resumes when paused, else starts the player's playing item (the caller
  // has chosen it with the player).
  virtual void play() = 0;
  virtual void pause() = 0;
  virtual void stop() = 0;
  virtual void seek(int64_t position) = 0;
  // 0 to 100.
  virtual int volume() const = 0;
  virtual void setVolume(int volume) = 0;
  // The player's playback order, changed where the window shows it.
  virtual player::PlaybackOrder order() const = 0;
  virtual void setOrder(player::PlaybackOrder order) = 0;
};

}  // namespace mpd

#endif  // VOSTREL_MPD_PLAYBACK_H_
