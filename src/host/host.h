// The host services the component uses, and nothing more.
//
// Component code reaches the host player only through this interface; the
// player (src/player) implements it, and tests implement it with fakes.
// Everything runs on one thread; the only re-entry is pumpEvents(), which a
// long statement calls to keep the user interface responsive.
#ifndef VOSTREL_HOST_HOST_H_
#define VOSTREL_HOST_HOST_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "host/settings.h"
#include "host/track.h"

namespace host {

// The component's file name; console lines begin "[vostrel] ".
inline constexpr std::string_view kComponentFileName = "vostrel";

inline constexpr std::size_t kNoPlaylist = static_cast<std::size_t>(-1);

struct FileStats {
  bool found = false;
  uint64_t size = 0;
  int64_t mtime = 0;  // seconds since 1970, UTC
};

// A compiled title-formatting script. Opaque to the component.
class TitleFormatScript {
 public:
  virtual ~TitleFormatScript() = default;
};
using TitleFormatScriptPtr = std::shared_ptr<const TitleFormatScript>;

// The lock of the track-information database. The virtual-table scan takes
// it once per info-based value, millions of times a statement, so taking it
// uncontended is one atomic exchange inline; a contended lock() sleeps on
// the futex instead of spinning. Meets BasicLockable and Lockable.
class InfoMutex {
 public:
  void lock() noexcept {
    int state = kFree;
    if (state_.compare_exchange_strong(state, kLocked, std::memory_order_acquire)) return;
    lockContended(state);
  }
  bool try_lock() noexcept {
    int state = kFree;
    return state_.compare_exchange_strong(state, kLocked, std::memory_order_acquire);
  }
  void unlock() noexcept {
    if (state_.exchange(kFree, std::memory_order_release) == kWaiters) state_.notify_one();
  }

 private:
  static constexpr int kFree = 0;
  static constexpr int kLocked = 1;
  static constexpr int kWaiters = 2;  // locked, and someone may sleep on it

  void lockContended(int state) noexcept {
    if (state != kWaiters) state = state_.exchange(kWaiters, std::memory_order_acquire);
    while (state != kFree) {
      state_.wait(kWaiters, std::memory_order_relaxed);
      state = state_.exchange(kWaiters, std::memory_order_acquire);
    }
  }

  std::atomic<int> state_{kFree};
};

class Host {
 public:
  virtual ~Host() = default;

  // Profile folder in host notation ("file:///home/me/.config/vostrel").
  virtual std::string profileFolder() const = 0;
  // File statistics of a path in host notation or a plain path.
  virtual FileStats fileStats(std::string_view path) const = 0;

  // One entry of the host console.
  virtual void consoleLine(std::string_view text) = 0;
  // A popup message (non-blocking notice) and a message box (blocking).
  virtual void popupMessage(std::string_view message, std::string_view title) = 0;
  virtual void messageBox(std::string_view message, std::string_view caption) = 0;
  // A yes/no question; headless commands answer yes.
  virtual bool askYesNo(std::string_view question, std::string_view caption) = 0;

  // Lets pending user-interface events through; called from long statements.
  virtual void pumpEvents() = 0;

  // The advanced settings the component contributes.
  virtual AdvancedSettings advancedSettings() const = 0;

  // Media library: all tracks in the host's order, as an immutable snapshot
  // (a changed library is a new list, never an edit of this one).
  virtual TrackListPtr libraryTracks() const = 0;
  virtual std::size_t libraryTrackCount() const = 0;

  // The lock of the track-information database. Hold it only while one
  // info-based value is computed. Not virtual: every host guards its track
  // information with this one lock, and the scan's per-value lock stays
  // inline.
  std::unique_lock<InfoMutex> lockInfo() const { return std::unique_lock<InfoMutex>(info_mutex_); }

  // Playlists.
  virtual std::size_t playlistCount() const = 0;
  virtual std::string playlistName(std::size_t playlist) const = 0;
  virtual TrackList playlistItems(std::size_t playlist) const = 0;
  virtual std::size_t playlistItemCount(std::size_t playlist) const = 0;
  virtual std::size_t activePlaylist() const = 0;   // kNoPlaylist for none
  virtual std::size_t playingPlaylist() const = 0;  // kNoPlaylist for none
  // Creates an empty playlist at the end; returns its index.
  virtual std::size_t createPlaylist(std::string_view name) = 0;
  // The index after the last selected item, or the item count when nothing
  // is selected.
  virtual std::size_t insertionPoint(std::size_t playlist) const = 0;
  virtual void removeAllItems(std::size_t playlist) = 0;
  // Inserts `tracks` at `position` (clamped to the item count) with the given
  // selection state; returns the index of the first inserted item.
  virtual std::size_t insertItems(std::size_t playlist, std::size_t position,
                                  const TrackList& tracks, bool select) = 0;
  virtual void setActivePlaylist(std::size_t playlist) = 0;
  // Starts playback from `playlist`, which becomes the playing one.
  virtual void startPlayback(std::size_t playlist) = 0;

  // The track that plays (also while paused), or nullptr when playback is
  // stopped. A command run has none unless it was given one.
  virtual TrackHandle playingTrack() const { return nullptr; }
  // The focused item of the active playlist (the row the keyboard stands
  // on), or nullptr.
  virtual TrackHandle focusedTrack() const { return nullptr; }

  // Title formatting. compile returns nullptr and fills `error` when the
  // text does not compile. format writes the text into `out` and returns
  // false when the script cannot be evaluated for the track.
  virtual TitleFormatScriptPtr compileTitleFormat(std::string_view text,
                                                  std::string* error) const = 0;
  virtual bool formatTitle(const Track& track, const TitleFormatScript& script,
                           std::string& out) const = 0;

 private:
  mutable InfoMutex info_mutex_;
};

}  // namespace host

#endif  // VOSTREL_HOST_HOST_H_
