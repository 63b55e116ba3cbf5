// libFuzzer target for reading music files (library/tag_reader.h): TagLib's
// readers, the checks that a file holds audio, and the libavformat reader
// of the files TagLib refuses (library/tag_reader_libav.h). A scan reads
// whatever lies in a music folder.
//
// Input: one selector byte, which picks the file's name (TagLib picks its
// reader by the name; libavformat looks at the content), then the file's
// bytes. The files of tests/data/tag-corpus, each behind a byte, make good
// seeds.
//
// A file read must give a track whose fields could be columns, whose texts
// can be read whole (the sanitizers watch every byte; TagLib and libavformat
// themselves are not instrumented) and whose length is a number of seconds.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "host/track.h"
#include "host/track_builder.h"
#include "library/field_names.h"
#include "library/tag_reader.h"

namespace {

constexpr const char* kExtensions[] = {"mp3", "flac", "ogg", "opus", "m4a",  "wma", "wav", "aif",
                                       "ape", "wv",   "mpc", "tta",  "mod",  "xm",  "it",  "shn",
                                       "dsf", "dff",  "aac", "mka",  "webm", "ac3", "caf", "bin"};

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "tag_reader_fuzz: %s\n", what);
  std::abort();
}

// Reads every byte of the track's texts.
void checkTrack(const host::Track& track) {
  require(std::isfinite(track.length()) && track.length() >= 0, "a length that is no number of seconds");
  std::size_t sum = track.path().size();
  for (const host::FieldList fields : {track.meta(), track.tech()}) {
    for (const host::InfoField& field : fields) {
      require(library::fieldNameProblem(field.name()) == nullptr, "a field name that cannot be a column");
      require(!field.values().empty(), "a field without a value");
      for (std::string_view value : field.values()) {
        for (char c : value) sum += static_cast<unsigned char>(c);
      }
    }
  }
  volatile std::size_t keep = sum;
  (void)keep;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() /
      ("vostrel-tag-fuzz-" + std::to_string(::getpid()) + "." + kExtensions[data[0] % std::size(kExtensions)]);
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  host::TrackBuilder builder;
  const library::MusicFileRead read =
      library::readMusicFile(file, "file:///music/fuzz", {static_cast<uint64_t>(size - 1), 0}, builder);
  std::filesystem::remove(file);
  require(read.opened, "a file written a moment ago could not be opened");
  if (read.track) checkTrack(*read.track);
  return 0;
}
