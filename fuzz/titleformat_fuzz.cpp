// libFuzzer target: compiles arbitrary text as a title-formatting expression
// and formats two fixed tracks (one with tags, one without info) with it.
// Checks that a failed compile explains itself with a position, that a
// failed format leaves the output empty, and that formatting is repeatable
// with a reused output string.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/track_builder.h"
#include "player/titleformat/titleformat.h"

namespace {

host::TrackHandle taggedTrack() {
  host::TrackBuilder builder;
  builder.setPath("file:///music/The Beatles/Abbey Road/01 Come Together.flac");
  builder.setLength(259.6);
  const std::pair<const char*, std::vector<std::string>> fields[] = {
      {"artist", {"The Beatles", "Beatles"}}, {"album artist", {"The Beatles"}},
      {"album", {"Abbey Road"}},              {"title", {"Come Together"}},
      {"tracknumber", {"1/17"}},              {"date", {"1969"}},
      {"genre", {"Rock", "Pop"}},             {"comment", {"Ünïcödé 日本語 ''%$[]()"}},
  };
  for (const auto& [name, values] : fields) {
    for (const std::string& value : values) builder.addMeta(name, value);
  }
  builder.addTech("codec", "FLAC");
  return builder.build();
}

host::TrackHandle bareTrack() {
  host::TrackBuilder builder;
  builder.setPath("C:\\x\\.hidden");
  return builder.build();
}

void check(const player::titleformat::Script& script, const host::Track& track) {
  thread_local std::string out;
  thread_local std::string again;
  const bool ok = player::titleformat::format(script, track, out);
  if (!ok && !out.empty()) std::abort();
  const bool ok_again = player::titleformat::format(script, track, again);
  if (ok != ok_again || out != again) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const host::TrackHandle tagged = taggedTrack();
  static const host::TrackHandle bare = bareTrack();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const player::titleformat::ScriptPtr script = player::titleformat::compile(text, &error);
  if (script == nullptr) {
    if (error.find(" at position ") == std::string::npos) std::abort();
    return 0;
  }
  check(*script, *tagged);
  check(*script, *bare);
  return 0;
}
