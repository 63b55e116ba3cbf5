#include "mpd/mpd_fixture.h"

#include "db/open_steps.h"
#include "library/library_file.h"
#include "library_tables/library_tables.h"
#include "mpd/tags.h"
#include "tree/tree_loader.h"
#include "tree/tree_schema.h"

namespace mpd_testing {
namespace {

// Two artists, three albums; "AC/DC" puts a slash into a label.
constexpr const char* kLibrary = R"({
  "tracks": [
    {"path": "file:///music/b/x/2.flac", "length": 100, "mtime": 1700000000,
     "meta": {"artist": "Beta", "album": "Xeno", "title": "Two", "tracknumber": "2", "genre": "Jazz"}},
    {"path": "file:///music/b/x/1.flac", "length": 90,
     "meta": {"artist": "Beta", "album": "Xeno", "title": "One", "tracknumber": "1", "genre": "Jazz"}},
    {"path": "file:///music/a/y/1.flac", "length": 60,
     "meta": {"artist": "AC/DC", "album": "Yell", "title": "Loud", "tracknumber": "1", "genre": "Rock"}},
    {"path": "file:///music/a/z/1.flac", "length": 30,
     "meta": {"artist": "AC/DC", "album": "Zap", "title": "Quiet Song", "tracknumber": "1", "genre": "Rock",
              "date": "1980"}}
  ],
  "playlists": [
    {"name": "Queue", "items": ["file:///music/a/y/1.flac"]},
    {"name": "Saved", "items": ["file:///music/b/x/1.flac", "file:///music/b/x/2.flac"]}
  ],
  "active_playlist": 0
})";

}  // namespace

void MpdFixture::SetUp() {
  // Each test has a database of its own, whose schema and tables are still
  // to be made.
  library_tables::resetProcessState();
  db::setSchemaReady(false);
  db::installOpenSteps({&tree::BuildTreeSchema, &library_tables::setUpLibraryTables});
  profile::Profile profile(dir.path() / "profile");
  profile::SettingsStore settings(profile.settingsFile());
  player = std::make_unique<player::Player>(std::move(profile), std::move(settings),
                                            library::parseLibraryFile(kLibrary, "lib.json"));
  player->setMessageStream(messages);
  panel = std::make_unique<tree::Panel>(*player, tree::UiAttributes{});
  ASSERT_TRUE(panel->open());
  ASSERT_TRUE(tree::loadTree(*panel));
  browser = std::make_unique<mpd::Browser>(*panel, *player);
  dispatcher = std::make_unique<mpd::Dispatcher>(*player, playback, *browser, "");
  dispatcher->setChangedCallback([this](unsigned subsystems) {
    changed |= subsystems;
    std::string ignored;
    session->notify(subsystems, ignored);
  });
  session = std::make_unique<mpd::Session>(*dispatcher);
}

void MpdFixture::TearDown() {
  session.reset();
  dispatcher.reset();
  browser.reset();
  panel.reset();
  player.reset();
  db::installOpenSteps({});
  library_tables::resetProcessState();
}

std::string MpdFixture::send(const std::string& lines) {
  std::string out;
  session->feed(lines, out);
  return out;
}

std::string MpdFixture::queueTitles() const {
  std::string titles;
  const std::size_t queue = player->activePlaylist();
  if (queue == host::kNoPlaylist) return titles;
  for (const host::TrackHandle& track : player->playlists().at(queue).items) {
    if (!titles.empty()) titles += ",";
    titles += mpd::tagValue(*track, 3);
  }
  return titles;
}

}  // namespace mpd_testing
