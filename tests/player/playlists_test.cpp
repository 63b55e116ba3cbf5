// Playlist operations, matching stored items against the library, and the
// text and JSON listings.
#include "player/playlists.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "host/track_builder.h"
#include "profile/data_error.h"
#include "support/fake_host.h"

namespace player {
namespace {

using testing_support::makeTrack;

host::TrackList tracks(std::initializer_list<const char*> paths) {
  host::TrackList list;
  for (const char* path : paths) list.push_back(makeTrack(path));
  return list;
}

std::vector<std::string> paths(const Playlist& list) {
  std::vector<std::string> result;
  for (const auto& track : list.items) result.emplace_back(track->path());
  return result;
}

TEST(PlaylistSetTest, InsertionPointFollowsTheLastSelectedItem) {
  PlaylistSet set;
  const std::size_t p = set.create("P");
  EXPECT_EQ(set.insertionPoint(p), 0u);
  set.insertItems(p, 0, tracks({"a", "b", "c", "d"}), false);
  EXPECT_EQ(set.insertionPoint(p), 4u);  // nothing selected: the end
  set.setSelected(p, 0, true);
  set.setSelected(p, 2, true);
  EXPECT_EQ(set.insertionPoint(p), 3u);  // after the last selected
  set.setSelected(p, 2, false);
  EXPECT_EQ(set.insertionPoint(p), 1u);
}

TEST(PlaylistSetTest, InsertItemsClampsAndSetsSelection) {
  PlaylistSet set;
  const std::size_t p = set.create("P");
  EXPECT_EQ(set.insertItems(p, 0, tracks({"a", "d"}), false), 0u);
  EXPECT_EQ(set.insertItems(p, 1, tracks({"b", "c"}), true), 1u);
  EXPECT_EQ(set.insertItems(p, 99, tracks({"e"}), false), 4u);
  const Playlist& list = set.at(p);
  EXPECT_EQ(paths(list), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(list.selected, (std::vector<bool>{false, true, true, false, false}));
  EXPECT_EQ(set.insertionPoint(p), 3u);
  set.removeAllItems(p);
  EXPECT_TRUE(set.at(p).items.empty());
  EXPECT_EQ(set.insertionPoint(p), 0u);
}

TEST(PlaylistSetTest, CreateAppendsAndRemoveKeepsActiveAndPlayingOnTheirPlaylists) {
  PlaylistSet set;
  EXPECT_EQ(set.create("A"), 0u);
  EXPECT_EQ(set.create("B"), 1u);
  EXPECT_EQ(set.create("C"), 2u);
  set.setActive(2);
  set.setPlaying(1);
  set.remove(0);
  EXPECT_EQ(set.active(), 1u);
  EXPECT_EQ(set.playing(), 0u);
  EXPECT_EQ(set.at(1).name, "C");
  set.remove(0);
  EXPECT_EQ(set.playing(), host::kNoPlaylist);
  EXPECT_EQ(set.active(), 0u);
}

TEST(PlaylistSetTest, BadIndexesThrow) {
  PlaylistSet set;
  set.create("A");
  EXPECT_THROW(set.at(1), profile::DataError);
  EXPECT_THROW(set.setActive(1), profile::DataError);
  EXPECT_THROW(set.insertItems(5, 0, {}, false), profile::DataError);
  EXPECT_THROW(set.setSelected(0, 0, true), profile::DataError);
  set.setActive(host::kNoPlaylist);
  EXPECT_EQ(set.active(), host::kNoPlaylist);
}

TEST(ResolvePlaylistsTest, MatchesItemsByPathAndSubsong) {
  host::TrackList library = tracks({"file:///a", "file:///b"});
  host::TrackBuilder subsong;
  subsong.setPath("file:///b");
  subsong.setSubsong(1);
  library.push_back(subsong.build());
  const TrackIndex index(library);

  std::vector<library::PlaylistRef> stored = {
      {"P", {{"file:///b", 1, true}, {"file:///a", 0, false}, {"file:///b", 2, false}, {"file:///new", 0, true}}}};
  const PlaylistSet set = resolvePlaylists(stored, 0, host::kNoPlaylist, index);
  const Playlist& list = set.at(0);
  ASSERT_EQ(list.items.size(), 4u);
  EXPECT_EQ(list.items[0], library[2]);  // the library's own record
  EXPECT_EQ(list.items[1], library[0]);
  EXPECT_NE(list.items[2], library[1]);  // subsong 2 is not in the library
  EXPECT_EQ(list.items[2]->subsong(), 2u);
  EXPECT_FALSE(list.items[2]->hasInfo());
  EXPECT_EQ(list.items[3]->path(), "file:///new");
  EXPECT_EQ(list.items[3]->size(), 0u);
  EXPECT_EQ(list.selected, (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(set.active(), 0u);
}

TEST(ResolvePlaylistsTest, RepeatedLocationMatchesTheFirstLibraryTrack) {
  const host::TrackList library = tracks({"file:///x", "file:///dup", "file:///dup"});
  const TrackIndex index(library);
  std::vector<library::PlaylistRef> stored = {{"P", {{"file:///dup", 0, false}, {"file:///dup", 0, false}}}};
  const PlaylistSet set = resolvePlaylists(stored, 0, host::kNoPlaylist, index);
  EXPECT_EQ(set.at(0).items, (host::TrackList{library[1], library[1]}));
  stored.clear();  // the index keeps what it was asked for
  EXPECT_EQ(index.find("file:///dup", 0), library[1]);
  EXPECT_EQ(index.find("file:///x", 0), library[0]);  // never asked for
  EXPECT_EQ(index.find("file:///y", 0), nullptr);
}

PlaylistSet sample() {
  PlaylistSet set;
  set.create("Default");
  set.create("Rock \"hits\"");
  set.create("Empty");
  set.insertItems(0, 0, tracks({"file:///music/a.flac"}), false);
  set.insertItems(1, 0, tracks({"file:///music/Ünïcode.mp3", "file:///x\ty"}), true);
  set.setSelected(1, 1, false);
  set.setActive(1);
  set.setPlaying(1);
  return set;
}

TEST(PlaylistListingTest, Text) {
  EXPECT_EQ(playlistsToText(sample()),
            "Default\n"
            "  file:///music/a.flac\n"
            "Rock \"hits\" (active) (playing)\n"
            "  file:///music/Ünïcode.mp3 *\n"
            "  file:///x\ty\n"
            "Empty\n");
}

TEST(PlaylistListingTest, TextNamesSubsongsOtherThanTheFirst) {
  PlaylistSet set;
  set.create("Cue");
  host::TrackList items = tracks({"file:///cd.cue"});
  host::TrackBuilder second;
  second.setPath("file:///cd.cue");
  second.setSubsong(2);
  items.push_back(second.build());
  set.insertItems(0, 0, items, false);
  set.setSelected(0, 1, true);
  EXPECT_EQ(playlistsToText(set), "Cue\n  file:///cd.cue\n  file:///cd.cue #2 *\n");
}

TEST(PlaylistListingTest, Json) {
  EXPECT_EQ(playlistsToJson(sample()),
            R"({"active":1,"playing":1,"playlists":[)"
            R"({"name":"Default","items":[{"path":"file:///music/a.flac","subsong":0,"selected":false}]},)"
            R"({"name":"Rock \"hits\"","items":[{"path":"file:///music/Ünïcode.mp3","subsong":0,"selected":true},)"
            R"({"path":"file:///x\ty","subsong":0,"selected":false}]},)"
            R"({"name":"Empty","items":[]}]})");
  EXPECT_EQ(playlistsToJson(PlaylistSet()), R"({"active":-1,"playing":-1,"playlists":[]})");
}

TEST(PlaylistListingTest, JsonIsValidEvenForInvalidUtf8) {
  PlaylistSet set;
  set.create("bad \xFF name \x01");
  const std::string json = playlistsToJson(set);
  const auto parsed = nlohmann::json::parse(json);  // throws on invalid UTF-8
  EXPECT_EQ(parsed["playlists"][0]["name"], "bad \xEF\xBF\xBD name \x01");
}

}  // namespace
}  // namespace player
