// The commands on a player and the example tree: browsing, the queue, the
// stored playlists, searching, playback and what idle hears.
#include "mpd/dispatcher.h"

#include "mpd/mpd_fixture.h"
#include "tree/folder_node.h"
#include "tree/query_node.h"

namespace mpd_testing {
namespace {

constexpr const char* kAlbum = "<Examples>/Library/Album";

// The values of `key` in a reply, joined by ",".
std::string values(const std::string& reply, const std::string& key) {
  std::string joined;
  std::size_t at = 0;
  const std::string prefix = key + ": ";
  while (at < reply.size()) {
    const std::size_t end = reply.find('\n', at);
    const std::string line = reply.substr(at, end - at);
    if (line.rfind(prefix, 0) == 0) joined += (joined.empty() ? "" : ",") + line.substr(prefix.size());
    at = end == std::string::npos ? reply.size() : end + 1;
  }
  return joined;
}

TEST_F(MpdFixture, TheTopHoldsTheTreeTheFilesAndTheStoredPlaylists) {
  const std::string reply = send("lsinfo \"\"\n");
  EXPECT_EQ(values(reply, "directory"), "[Files],<Examples>");
  EXPECT_EQ(values(reply, "playlist"), "Saved");
  EXPECT_EQ(reply.substr(reply.size() - 3), "OK\n");
}

TEST_F(MpdFixture, ListingAQueryNodeRunsItOnce) {
  auto* album = panel->findQuery(panel->findFolder(panel->findFolder(&panel->root(), "<Examples>"), "Library"),
                                 "Album");
  ASSERT_NE(album, nullptr);
  ASSERT_FALSE(album->hasRun());
  // A "/" in a label reads as U+2215.
  EXPECT_EQ(values(send("lsinfo \"" + std::string(kAlbum) + "\"\n"), "directory"),
            "<Examples>/Library/Album/AC\xE2\x88\x95" "DC,<Examples>/Library/Album/Beta");
  EXPECT_TRUE(album->hasRun());
  EXPECT_EQ(values(send("lsinfo \"" + std::string(kAlbum) + "/AC\xE2\x88\x95" "DC\"\n"), "directory"),
            "<Examples>/Library/Album/AC\xE2\x88\x95" "DC/[1980] Zap,<Examples>/Library/Album/AC\xE2\x88\x95" "DC/Yell");
}

TEST_F(MpdFixture, ALeafNodeListsItsTracksAsFilesInItsOrder) {
  // The query leaves the tracks of an album in the library's order.
  const std::string reply = send("lsinfo \"" + std::string(kAlbum) + "/Beta/Xeno\"\n");
  EXPECT_EQ(values(reply, "directory"), "");
  EXPECT_EQ(values(reply, "file"), "[Files]/music/b/x/2.flac,[Files]/music/b/x/1.flac");
  EXPECT_EQ(values(reply, "Title"), "Two,One");
  EXPECT_EQ(values(reply, "Time"), "100,90");
}

TEST_F(MpdFixture, UnknownPathsAreRefused) {
  EXPECT_EQ(send("lsinfo \"<Examples>/Nothing\"\n"),
            "ACK [50@0] {lsinfo} No such directory or file: \"<Examples>/Nothing\"\n");
  EXPECT_EQ(send("add \"[Files]/music/c\"\n"), "ACK [50@0] {add} No such directory or file: \"[Files]/music/c\"\n");
  EXPECT_EQ(send("lsinfo \"[Files]/music/b/x/3.flac\"\n").substr(0, 19), "ACK [50@0] {lsinfo}");
}

TEST_F(MpdFixture, TheFilesFollowTheirFolders) {
  EXPECT_EQ(values(send("lsinfo \"[Files]\"\n"), "directory"), "[Files]/music");
  EXPECT_EQ(values(send("lsinfo \"[Files]/music\"\n"), "directory"), "[Files]/music/a,[Files]/music/b");
  EXPECT_EQ(values(send("lsinfo \"[Files]/music/a/y\"\n"), "file"), "[Files]/music/a/y/1.flac");
  const std::string all = send("listall \"[Files]/music/a\"\n");
  EXPECT_EQ(values(all, "directory"), "[Files]/music/a/y,[Files]/music/a/z");
  EXPECT_EQ(values(all, "file"), "[Files]/music/a/y/1.flac,[Files]/music/a/z/1.flac");
}

TEST_F(MpdFixture, AddingAResultNodeFillsTheQueueInTheNodesOrder) {
  EXPECT_EQ(send("clear\nadd \"" + std::string(kAlbum) + "/AC\xE2\x88\x95" "DC\"\n"), "OK\nOK\n");
  EXPECT_EQ(queueTitles(), "Quiet Song,Loud");
  EXPECT_EQ(values(send("playlistinfo\n"), "Pos"), "0,1");
}

TEST_F(MpdFixture, FilesAreAddedByTheirNameAUriOrAPath) {
  EXPECT_EQ(send("add \"[Files]/music/b/x/2.flac\"\nadd file:///music/b/x/1.flac\nadd /music/a/z/1.flac 0\n"),
            "OK\nOK\nOK\n");
  EXPECT_EQ(queueTitles(), "Quiet Song,Loud,Two,One");
  const std::string reply = send("addid \"[Files]/music/b/x/2.flac\" 1\n");
  EXPECT_EQ(queueTitles(), "Quiet Song,Two,Loud,Two,One");
  EXPECT_EQ(values(reply, "Id"), values(send("playlistinfo 1\n"), "Id"));
  EXPECT_EQ(send("addid \"[Files]/music\"\n"), "ACK [50@0] {addid} addid takes one song, not a directory\n");
  EXPECT_EQ(send("add \"[Files]/music/b/x/2.flac\" 9\n"), "ACK [2@0] {add} Bad song index\n");
}

TEST_F(MpdFixture, SongIdsFollowTheirItemsThroughMovesAndDeletes) {
  send("add \"[Files]/music/b\"\n");
  ASSERT_EQ(queueTitles(), "Loud,One,Two");
  const std::string ids = values(send("playlistinfo\n"), "Id");
  EXPECT_EQ(send("move 0 2\n"), "OK\n");
  EXPECT_EQ(queueTitles(), "One,Two,Loud");
  const std::string first = ids.substr(0, ids.find(','));
  EXPECT_EQ(values(send("playlistid " + first + "\n"), "Pos"), "2");
  EXPECT_EQ(send("moveid " + first + " 0\n"), "OK\n");
  EXPECT_EQ(queueTitles(), "Loud,One,Two");
  EXPECT_EQ(send("deleteid " + first + "\n"), "OK\n");
  EXPECT_EQ(queueTitles(), "One,Two");
  EXPECT_EQ(send("deleteid " + first + "\n"), "ACK [50@0] {deleteid} No such song\n");
  EXPECT_EQ(send("delete 0:1\n"), "OK\n");
  EXPECT_EQ(queueTitles(), "Two");
  EXPECT_EQ(send("delete 5\n"), "ACK [2@0] {delete} Bad song index\n");
  EXPECT_EQ(send("move 0 3\n"), "ACK [2@0] {move} Bad song index\n");
}

TEST_F(MpdFixture, AClientsChangeIsOneUndoableStep) {
  send("add \"[Files]/music/b\"\n");
  ASSERT_EQ(queueTitles(), "Loud,One,Two");
  EXPECT_EQ(player->journal().undoStep().label, "MPD client: add");
  ASSERT_TRUE(player->undo());
  EXPECT_EQ(queueTitles(), "Loud");
  send("clear\n");
  ASSERT_TRUE(player->undo());
  EXPECT_EQ(queueTitles(), "Loud");
}

TEST_F(MpdFixture, StoredPlaylistsAreTheOtherPlaylists) {
  EXPECT_EQ(values(send("listplaylists\n"), "playlist"), "Saved");
  EXPECT_EQ(values(send("listplaylist Saved\n"), "file"), "[Files]/music/b/x/1.flac,[Files]/music/b/x/2.flac");
  EXPECT_EQ(values(send("listplaylistinfo Saved\n"), "Title"), "One,Two");
  EXPECT_EQ(send("load Saved\n"), "OK\n");
  EXPECT_EQ(queueTitles(), "Loud,One,Two");
  EXPECT_EQ(send("save Saved\n"), "ACK [56@0] {save} Playlist already exists\n");
  EXPECT_EQ(send("save Mine\nrename Mine Ours\n"), "OK\nOK\n");
  EXPECT_EQ(values(send("listplaylist Ours\n"), "file").size(), 3 * std::string("[Files]/music/a/y/1.flac").size() + 2);
  EXPECT_EQ(send("rename Ours Saved\n"), "ACK [56@0] {rename} Playlist already exists\n");
  EXPECT_EQ(send("rm Ours\n"), "OK\n");
  EXPECT_EQ(send("rm Ours\n"), "ACK [50@0] {rm} No such playlist\n");
  // The queue is not a stored playlist.
  EXPECT_EQ(send("listplaylist Queue\n"), "ACK [50@0] {listplaylist} No such playlist\n");
}

TEST_F(MpdFixture, FindComparesWholeValuesAndSearchIgnoresCase) {
  EXPECT_EQ(values(send("find Artist Beta\n"), "Title"), "Two,One");
  EXPECT_EQ(values(send("find Artist beta\n"), "Title"), "");
  EXPECT_EQ(values(send("search artist BET\n"), "Title"), "Two,One");
  EXPECT_EQ(values(send("search any song\n"), "Title"), "Quiet Song");
  EXPECT_EQ(values(send("find Artist AC/DC Album Zap\n"), "Title"), "Quiet Song");
  EXPECT_EQ(values(send("find \"((Artist == 'AC/DC') AND (!(Album == 'Zap')))\"\n"), "Title"), "Loud");
  EXPECT_EQ(values(send("search \"(Title contains 'o')\" sort Title window 0:2\n"), "Title"), "Loud,One");
  EXPECT_EQ(send("find Mood happy\n"), "ACK [2@0] {find} Unknown filter type: Mood\n");
  EXPECT_EQ(send("find Artist\n"), "ACK [2@0] {find} Missing filter value after \"Artist\"\n");
  EXPECT_EQ(send("find \"(Artist == 'x'\"\n"), "ACK [2@0] {find} ')' expected in the filter\n");
}

TEST_F(MpdFixture, ListGivesSortedValuesByGroup) {
  EXPECT_EQ(send("list Album\n"), "Album: Xeno\nAlbum: Yell\nAlbum: Zap\nOK\n");
  EXPECT_EQ(send("list album group artist\n"),
            "Artist: AC/DC\nAlbum: Yell\nAlbum: Zap\nArtist: Beta\nAlbum: Xeno\nOK\n");
  EXPECT_EQ(send("list Album Beta\n"), "Album: Xeno\nOK\n");
  EXPECT_EQ(send("list Genre Artist Beta\n"), "Genre: Jazz\nOK\n");
  EXPECT_EQ(send("count Artist Beta\n"), "songs: 2\nplaytime: 190\nOK\n");
  EXPECT_EQ(send("count group Genre\n"), "Genre: Jazz\nsongs: 2\nplaytime: 190\nGenre: Rock\nsongs: 2\nplaytime: 90\nOK\n");
  EXPECT_EQ(send("list Mood\n"), "ACK [2@0] {list} Unknown tag type: Mood\n");
}

TEST_F(MpdFixture, PlayStartsTheQueueOrSaysWhyNot) {
  send("add \"[Files]/music/b\"\n");
  EXPECT_EQ(send("play 2\n"), "OK\n");
  EXPECT_EQ(player->playingItem(), 2u);
  const std::string status = send("status\n");
  EXPECT_EQ(values(status, "song"), "2");
  EXPECT_EQ(values(status, "playlistlength"), "3");
  EXPECT_EQ(values(send("currentsong\n"), "Title"), "Two");
  send("stop\n");
  EXPECT_EQ(player->playingItem(), player::Player::kNoItem);
  playback.available_ = false;
  EXPECT_EQ(send("play 0\n"), "ACK [52@0] {play} playback is not available: no sound server\n");
  EXPECT_EQ(values(send("status\n"), "error"), "no audio: no sound server");
}

TEST_F(MpdFixture, TheSwitchesMapOntoThePlaybackOrder) {
  using player::PlaybackOrder;
  send("random 1\n");
  EXPECT_EQ(playback.order_, PlaybackOrder::kShuffleTracks);
  send("repeat 1\n");
  EXPECT_EQ(playback.order_, PlaybackOrder::kRepeatPlaylist);
  send("single 1\n");
  EXPECT_EQ(playback.order_, PlaybackOrder::kRepeatTrack);
  const std::string status = send("status\n");
  EXPECT_EQ(values(status, "repeat") + values(status, "single") + values(status, "random"), "110");
  send("single 0\n");
  EXPECT_EQ(playback.order_, PlaybackOrder::kRepeatPlaylist);
  send("repeat 0\n");
  EXPECT_EQ(playback.order_, PlaybackOrder::kDefault);
  EXPECT_EQ(send("random 2\n"), "ACK [2@0] {random} Boolean (0/1) expected: 2\n");
  EXPECT_EQ(send("setvol 101\n"), "ACK [2@0] {setvol} Invalid volume value\n");
  EXPECT_EQ(send("setvol 30\n"), "OK\n");
  EXPECT_EQ(playback.volume_, 30);
}

TEST_F(MpdFixture, IdleHearsChangesMadeOutsideTheClient) {
  EXPECT_EQ(send("idle playlist\n"), "");
  // A change in the window: the player's own calls.
  player->insertItems(player->activePlaylist(), 0, {player->library()[0]}, false);
  EXPECT_NE(changed & mpd::kPlaylist, 0u);
  EXPECT_EQ(send("noidle\n"), "OK\n");
  changed = 0;
  player->renamePlaylist(1, "Kept");
  EXPECT_EQ(changed, unsigned{mpd::kStoredPlaylist});
  changed = 0;
  player->playItem(player->activePlaylist(), 0);
  EXPECT_EQ(changed, unsigned{mpd::kPlayer});
}

TEST_F(MpdFixture, APasswordGuardsAllButTheConnectionCommands) {
  mpd::Dispatcher guarded(*player, playback, *browser, "secret");
  mpd::Session client(guarded);
  std::string out;
  client.feed("status\nping\npassword wrong\npassword secret\nstatus\n", out);
  EXPECT_EQ(out.substr(0, out.find("volume")),
            "ACK [4@0] {status} you don't have permission for \"status\"\nOK\n"
            "ACK [3@0] {password} incorrect password\nOK\n");
}

TEST_F(MpdFixture, TagTypesChooseTheTagsShown) {
  EXPECT_EQ(send("tagtypes clear\ntagtypes enable Title Name\ntagtypes\n"), "OK\nOK\ntagtype: Title\nOK\n");
  EXPECT_EQ(send("find Artist Beta\n"),
            "file: [Files]/music/b/x/2.flac\nLast-Modified: 2023-11-14T22:13:20Z\nTitle: Two\nTime: 100\n"
            "duration: 100.000\nfile: [Files]/music/b/x/1.flac\nTitle: One\nTime: 90\nduration: 90.000\nOK\n");
  EXPECT_EQ(send("tagtypes bogus\n"), "ACK [2@0] {tagtypes} Unknown sub command \"bogus\"\n");
}

}  // namespace
}  // namespace mpd_testing
