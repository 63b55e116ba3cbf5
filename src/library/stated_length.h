// The length a file's header states, checked against the file's size.
//
// Headers lie: a truncated or damaged MP3 whose Xing header counts 72,243
// frames says 1,887 s in 8 KB. A file cannot hold more audio than its size
// at the bitrate its header states; when the stated length needs more than
// that (with room for tags, covers and rounding), the length is the time
// the file's bytes last at that bitrate, as a constant-bitrate reader
// counts it.
#ifndef VOSTREL_LIBRARY_STATED_LENGTH_H_
#define VOSTREL_LIBRARY_STATED_LENGTH_H_

#include <cstdint>

namespace library {

// `seconds` as the header states it, when `size` bytes can hold them at
// `kbps` kbit/s; otherwise the seconds `size` bytes last at `kbps`. A
// length of 0 is unknown, as is a negative one (a damaged header's sum
// overflowed); a bitrate of 0 is unknown, and the length is taken as it is.
inline double checkedLength(double seconds, int kbps, uint64_t size) {
  if (!(seconds > 0)) return 0;
  if (kbps <= 0) return seconds;
  const double bytes_per_second = kbps * 1000.0 / 8;
  // Twice the size and 64 KiB: nominal bitrates of variable-rate streams
  // and rounding stay well inside; a header off by orders does not.
  constexpr double kSlack = 64 * 1024;
  const double holds = static_cast<double>(size) * 2 + kSlack;
  if (seconds * bytes_per_second <= holds) return seconds;
  return static_cast<double>(size) / bytes_per_second;
}

}  // namespace library

#endif  // VOSTREL_LIBRARY_STATED_LENGTH_H_
