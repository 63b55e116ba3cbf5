// ProfileLock: one owner per profile at a time.
//
//   ProfileLock lock = ProfileLock::acquire(profile.dir(), "command", waiting);
//   ... read and write the database, playlists, layout and settings ...
//   // the destructor (or release()) lets the next owner in
//
// Contract:
// - Whoever reads or writes a profile holds its lock for as long as it does:
//   a headless command for its whole run, the desktop program for as long as
//   it runs. Two owners at once would overwrite each other's files and make
//   each other's database commits fail.
// - The lock is an exclusive flock(2) on DIR/profile.lock. It belongs to the
//   open file, so the kernel drops it when the holder exits or is killed: a
//   lock file left behind by a dead process never blocks anyone. The file is
//   never deleted (a taker may have it open already).
// - The file names its holder in one line, "PID KIND\n" (for example
//   "4711 command\n"). Only the holder writes it, right after taking the lock
//   (truncate, then write), and empties it before letting go. A reader can
//   therefore find it empty, or still naming a previous holder that has
//   died; readHolder() reports both as an unknown holder (pid 0).
// - The file is made 0600, and an existing one of ours that others may open
//   is made so when it is opened: flock(2) needs no more than a read-only
//   descriptor, so anyone who can open the file can hold the lock. A lock
//   that a process of another user holds all the same (the system's lock
//   table names it) is reported as theirs, with their uid; the line is not
//   believed then.
// - KIND is a short word: "command" for a headless command, "desktop" for
//   the desktop program, which accepts commands forwarded to it while it
//   holds the lock.
#ifndef VOSTREL_PROFILE_PROFILE_LOCK_H_
#define VOSTREL_PROFILE_PROFILE_LOCK_H_

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace profile {

inline constexpr std::string_view kLockKindCommand = "command";
inline constexpr std::string_view kLockKindDesktop = "desktop";

// Who holds a profile's lock.
struct LockHolder {
  pid_t pid = 0;     // 0: not known (the holder has not written its line yet)
  std::string kind;  // empty when not known
  // Set when the holder runs as another user than this process (its real
  // uid); `kind` is empty then.
  std::optional<uid_t> other_uid;

  // "process 4711 (command)", "process 4711 of another user (uid 1001)",
  // or "an unknown process".
  std::string describe() const;
};

// How acquire() waits for a busy lock.
struct LockWaiting {
  std::chrono::milliseconds timeout{30000};  // zero: do not wait at all
  // `notice` is called once, with the holder, when the lock is still busy
  // after `notice_after`.
  std::chrono::milliseconds notice_after{1000};
  std::function<void(const LockHolder&)> notice;
};

// The lock stayed busy for the whole wait.
class ProfileBusy : public std::runtime_error {
 public:
  ProfileBusy(const std::filesystem::path& profile_dir, LockHolder holder);
  const std::filesystem::path& profileDir() const { return profile_dir_; }
  const LockHolder& holder() const { return holder_; }

 private:
  std::filesystem::path profile_dir_;
  LockHolder holder_;
};

class ProfileLock {
 public:
  static constexpr std::string_view kFileName = "profile.lock";
  static std::filesystem::path filePath(const std::filesystem::path& profile_dir) {
    return profile_dir / kFileName;
  }

  // Takes the lock of the (existing) folder `profile_dir` for a holder of
  // `kind`, waiting as `waiting` says. Throws ProfileBusy when it stays busy,
  // DataError when the lock file cannot be opened or locked, and
  // std::invalid_argument for a kind that is not a short lower-case word.
  static ProfileLock acquire(const std::filesystem::path& profile_dir, std::string_view kind,
                             const LockWaiting& waiting);
  // Takes the lock when it is free at once; nullopt when it is busy.
  // Throws as acquire() does otherwise.
  static std::optional<ProfileLock> tryAcquire(const std::filesystem::path& profile_dir, std::string_view kind);

  // The holder of the lock of `profile_dir`; nullopt when nobody holds it.
  static std::optional<LockHolder> readHolder(const std::filesystem::path& profile_dir);

  ProfileLock(ProfileLock&& other) noexcept;
  ProfileLock& operator=(ProfileLock&& other) noexcept;
  ProfileLock(const ProfileLock&) = delete;
  ProfileLock& operator=(const ProfileLock&) = delete;
  ~ProfileLock() { release(); }

  // Lets the next owner in; nothing when already released.
  void release();
  bool held() const { return fd_ >= 0; }
  const std::filesystem::path& path() const { return path_; }

 private:
  ProfileLock(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}

  int fd_ = -1;
  std::filesystem::path path_;
};

}  // namespace profile

#endif  // VOSTREL_PROFILE_PROFILE_LOCK_H_
