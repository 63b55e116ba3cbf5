// libFuzzer target for the readers of what library.db holds: the compact
// track records of its rows (library/track_record.h) and the track images
// of its snapshots (host/track_image.h). Another program, or damage, may
// have changed the file.
//
// Input: one selector byte (even: a record, odd: an image), then the
// bytes. An image gets its checksums written anew first: they stop damage,
// not a file made to pass them, and the checks behind them must hold
// either way.
//
// What a reader accepts must give tracks whose fields could be columns
// (names that pass the field-name check, at least one value each), whose
// texts can be read whole (the sanitizers watch every byte), and that
// survive being written and read again unchanged. The image is loaded with
// the cache's check of field names.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/track.h"
#include "host/track_builder.h"
#include "host/track_image.h"
#include "library/field_names.h"
#include "library/track_record.h"

namespace {

constexpr std::string_view kPath = "file:///music/fuzz.flac";

void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "library_cache_fuzz: %s\n", what);
  std::abort();
}

// Reads every byte of the track's texts.
void checkTrack(const host::Track& track) {
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

host::TrackHandle decode(library::TrackRecordDecoder& decoder, std::string_view record) {
  host::TrackBuilder builder;
  builder.setPath(kPath);
  if (!decoder.decode(record, builder)) return nullptr;
  return builder.build();
}

void readRecord(std::string_view record) {
  library::TrackRecordDecoder decoder;
  const host::TrackHandle track = decode(decoder, record);
  if (track == nullptr) return;
  checkTrack(*track);
  // What the cache would write for it reads back as the same record.
  const std::string written = library::encodeTrackRecord(*track);
  const host::TrackHandle again = decode(decoder, written);
  require(again != nullptr && library::encodeTrackRecord(*again) == written, "a record read back differs");
}

bool usableName(std::string_view name) { return library::fieldNameProblem(name) == nullptr; }

void readImage(std::string image) {
  host::resealTrackImage(image);
  host::TrackList tracks;
  if (!host::loadTrackImage(image, tracks, usableName)) {
    require(tracks.empty(), "a refused image left tracks");
    return;
  }
  for (const host::TrackHandle& track : tracks) checkTrack(*track);
  // An image of what came back gives the same tracks.
  host::TrackList again;
  require(host::loadTrackImage(host::saveTrackImage(tracks), again, usableName) && again.size() == tracks.size(),
          "an image of the tracks is refused");
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    require(again[i]->path() == tracks[i]->path(), "a track read back has another path");
    require(library::encodeTrackRecord(*again[i]) == library::encodeTrackRecord(*tracks[i]),
            "a track read back has other fields");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0) {
    readRecord(bytes);
  } else {
    readImage(std::string(bytes));
  }
  return 0;
}
