// Reading and writing the player's files.
//
// Every write of a profile file goes through writeFileAtomically, so that a
// crash or a full disk leaves either the old content or the new one, never a
// mix: the bytes go to a temporary file in the same folder, which is synced
// and then renamed over the target.
#ifndef VOSTREL_PROFILE_FILE_IO_H_
#define VOSTREL_PROFILE_FILE_IO_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace profile {

// The largest files the readers take. A file above its limit, or one that
// is not a regular file (a folder, a device, a pipe), is refused before a
// byte is read: reading /dev/zero or a runaway file would never end.
inline constexpr uint64_t kMiB = uint64_t{1} << 20;
inline constexpr uint64_t kGiB = uint64_t{1} << 30;
inline constexpr uint64_t kProfileFileLimit = 4 * kMiB;  // settings.json, layout.json

// Replaces the content of `path` with `bytes`. The temporary file is named
// ".<name>.tmp-..." beside the target and is removed when anything fails.
// A new file gets the usual permissions (0666 less the umask); an existing
// target's permissions are kept. Throws DataError naming the path and the
// system's reason.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Removes the temporary files that writes in `folder` left behind when their
// process was killed: those whose writer (the PID in the name) is no longer
// running, or is this process. Those of a running process are left alone.
// Returns how many were removed; errors are ignored.
int removeStaleTemporaryFiles(const std::filesystem::path& folder);

// The whole content of the regular file `path`, at most `max_bytes` long.
// Throws DataError naming the path and the reason when it cannot be read,
// is not a regular file or is larger.
std::string readWholeFile(const std::filesystem::path& path, uint64_t max_bytes = kProfileFileLimit);

// The content of a regular file of at most `max_bytes`, mapped read-only
// instead of copied (large library and playlists files).
class FileContent {
 public:
  // Throws DataError as readWholeFile does.
  FileContent(const std::filesystem::path& path, uint64_t max_bytes);
  ~FileContent();
  FileContent(const FileContent&) = delete;
  FileContent& operator=(const FileContent&) = delete;

  // Valid while this object lives.
  std::string_view text() const { return text_; }

  // Gives the mapped pages wholly before `offset` back to the system, so
  // that a reader passing through a large file keeps only a window of it
  // resident. The text stays readable: pages read again come back from the
  // file.
  void releaseBefore(std::size_t offset);

 private:
  void* mapping_ = nullptr;
  std::size_t mapped_size_ = 0;
  std::size_t released_ = 0;  // bytes from the start given back
  std::string copy_;  // the content when it is not mapped
  std::string_view text_;
};

}  // namespace profile

#endif  // VOSTREL_PROFILE_FILE_IO_H_
