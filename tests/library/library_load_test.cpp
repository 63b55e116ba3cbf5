// A generated library of 20,000 tracks read by the player's loader and by a
// plain reference reader over nlohmann's document tree: both must hold the
// same tracks with the same fields and values.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/text.h"
#include "host/track.h"
#include "library/library_file.h"
#include "support/fake_host.h"

namespace library {
namespace {

// The source tree: from the test data folder the test runner names, else
// from this file's own path.
std::filesystem::path sourceDir() {
  if (const char* data = std::getenv("VOSTREL_TEST_DATA"); data != nullptr && data[0] != '\0') {
    return std::filesystem::path(data).parent_path().parent_path();
  }
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}

struct RefField {
  std::string name;  // first spelling
  std::vector<std::string> values;
};

struct RefTrack {
  std::string path;
  uint32_t subsong = 0;
  uint64_t size = 0;
  int64_t mtime = 0;
  bool has_info = false;
  double length = 0;
  host::ReplayGain gain;
  std::vector<RefField> meta, tech;
};

// The documented rules, read off the document tree: fields merge by name
// without regard to case, keep the first spelling, and an empty list leaves
// no field. The generator's files do not exist, so a missing size or mtime
// reads 0.
std::vector<RefField> referenceFields(const nlohmann::ordered_json& object) {
  std::vector<RefField> fields;
  for (const auto& [name, value] : object.items()) {
    std::vector<std::string> values;
    if (value.is_string()) {
      values.push_back(value.get<std::string>());
    } else {
      for (const auto& item : value) values.push_back(item.get<std::string>());
    }
    if (values.empty()) continue;
    // Named in the capture: clang (before 16) cannot capture a structured binding.
    auto same = [&name = name](const RefField& f) { return host::foldCase(f.name) == host::foldCase(name); };
    auto it = std::find_if(fields.begin(), fields.end(), same);
    if (it == fields.end()) it = fields.insert(fields.end(), RefField{name, {}});
    it->values.insert(it->values.end(), values.begin(), values.end());
  }
  return fields;
}

std::vector<RefTrack> referenceRead(const std::filesystem::path& file) {
  std::ifstream in(file);
  // Keys in file order, as the tracks keep them.
  const nlohmann::ordered_json document = nlohmann::ordered_json::parse(in);
  std::vector<RefTrack> tracks;
  for (const auto& t : document.at("tracks")) {
    RefTrack& track = tracks.emplace_back();
    track.path = t.at("path").get<std::string>();
    track.subsong = t.value("subsong", 0u);
    track.size = t.value("size", uint64_t{0});
    track.mtime = t.value("mtime", int64_t{0});
    track.has_info = t.contains("meta") || t.contains("info") || t.contains("length") || t.contains("replaygain");
    track.length = t.value("length", 0.0);
    if (t.contains("replaygain")) {
      const auto& g = t.at("replaygain");
      auto number = [&g](const char* key, float absent) {
        return g.contains(key) && !g.at(key).is_null() ? g.at(key).get<float>() : absent;
      };
      track.gain = {number("album_gain", -1000.0f), number("track_gain", -1000.0f), number("album_peak", -1.0f),
                    number("track_peak", -1.0f)};
    }
    if (t.contains("meta")) track.meta = referenceFields(t.at("meta"));
    if (t.contains("info")) track.tech = referenceFields(t.at("info"));
  }
  return tracks;
}

void expectSameFields(host::FieldList fields, const std::vector<RefField>& expected, const std::string& where) {
  ASSERT_EQ(fields.size(), expected.size()) << where;
  for (std::size_t f = 0; f < fields.size(); ++f) {
    EXPECT_EQ(fields[f].name(), expected[f].name) << where;
    EXPECT_EQ(fields[f].id, host::findField(expected[f].name)) << where;
    EXPECT_EQ(fields[f].values().strings(), expected[f].values) << where << " " << expected[f].name;
  }
}

TEST(LibraryLoadTest, GeneratedLibraryReadsAsTheDocumentTreeHoldsIt) {
  testing_support::TempDir dir;
  const std::filesystem::path file = dir.path() / "library.json";
  const std::string command = "python3 \"" + (sourceDir() / "tools" / "make_library.py").string() +
                              "\" --tracks 20000 --out \"" + file.string() + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  const std::vector<RefTrack> expected = referenceRead(file);
  const LibraryFile library = loadLibraryFile(file);
  ASSERT_EQ(library.tracks.size(), expected.size());
  ASSERT_EQ(expected.size(), 20000u);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const host::Track& track = *library.tracks[i];
    const RefTrack& want = expected[i];
    const std::string where = "tracks[" + std::to_string(i) + "]";
    ASSERT_EQ(track.path(), want.path) << where;
    EXPECT_EQ(track.subsong(), want.subsong) << where;
    EXPECT_EQ(track.size(), want.size) << where;
    EXPECT_EQ(track.mtime(), want.mtime) << where;
    ASSERT_EQ(track.hasInfo(), want.has_info) << where;
    EXPECT_EQ(track.length(), want.length) << where;
    EXPECT_EQ(track.replayGain().track_gain, want.gain.track_gain) << where;
    EXPECT_EQ(track.replayGain().album_gain, want.gain.album_gain) << where;
    EXPECT_EQ(track.replayGain().track_peak, want.gain.track_peak) << where;
    EXPECT_EQ(track.replayGain().album_peak, want.gain.album_peak) << where;
    expectSameFields(track.meta(), want.meta, where + ".meta");
    expectSameFields(track.tech(), want.tech, where + ".info");
    if (testing::Test::HasFailure()) break;  // one track's worth of messages
  }
}

}  // namespace
}  // namespace library
