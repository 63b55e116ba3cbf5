// The music folders kept current while the program runs: a background
// rescan at start, changes picked up after the settle delay, the watch
// limit's fallback, and the events a swap raises.
#include <sstream>
#include <thread>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

#include "desktop/library_watcher.h"
#include "desktop/main_window.h"
#include "desktop/support/desktop_fixture.h"
#include "player/player.h"
#include "profile/profile.h"
#include "profile/settings_store.h"
#include "support/file_access.h"
#include "tree/panel.h"
#include "tree/query_node.h"

namespace fs = std::filesystem;
using desktop::LibraryWatcher;

namespace {

constexpr int kSettleMs = 300;
constexpr int kWaitMs = 15000;

struct LibraryRecorder : player::PlayerListener {
  void libraryChanged(host::LibraryEvent event) override { library.push_back(static_cast<int>(event)); }
  void trackInfoChanged() override { ++track_info; }
  std::vector<int> library;
  int track_info = 0;
};

// A player on a temporary profile over a music folder of corpus files:
// a.flac and sub/b.ogg.
class MusicFixture {
 public:
  MusicFixture() {
    fs::create_directories(music() / "sub");
    copy("sinewave.flac", music() / "a.flac");
    copy("test.ogg", music() / "sub" / "b.ogg");
    profile::Profile profile(dir_.path() / "profile");
    profile::SettingsStore settings(profile.settingsFile());
    player_ = std::make_unique<player::Player>(std::move(profile), std::move(settings), library::LibraryFile{});
    player_->setMessageStream(log);
    player_->addListener(&recorder);
    watcher_ = std::make_unique<LibraryWatcher>(*player_, dir_.path() / "profile", std::vector<fs::path>{music()});
    watcher_->setSettleDelay(kSettleMs);
  }
  ~MusicFixture() {
    watcher_.reset();
    player_->removeListener(&recorder);
  }

  static bool haveCorpus() { return fs::is_regular_file(desktop_testing::corpusDir() / "sinewave.flac"); }
  fs::path music() const { return dir_.path() / "music"; }
  // Copies a corpus file in, by way of a rename, as a finished file appears.
  void copy(const char* corpus_file, const fs::path& to) {
    const fs::path part = dir_.path() / "part";
    fs::copy_file(desktop_testing::corpusDir() / corpus_file, part, fs::copy_options::overwrite_existing);
    fs::rename(part, to);
  }
  player::Player& player() { return *player_; }
  LibraryWatcher& watcher() { return *watcher_; }
  std::size_t tracks() const { return player_->libraryTrackCount(); }
  std::size_t sizeOf(const std::string& name) const {
    for (const host::TrackHandle& track : player_->library()) {
      if (track->path().ends_with(name)) return track->size();
    }
    return 0;
  }

  std::ostringstream log;
  LibraryRecorder recorder;

 private:
  testing_support::TempDir dir_;
  std::unique_ptr<player::Player> player_;
  std::unique_ptr<LibraryWatcher> watcher_;
};

QAction* rescanAction(desktop::DesktopApp& app) {
  for (QAction* top : app.mainWindow().menuBar()->actions()) {
    if (top->text().remove('&') != "View") continue;
    for (QAction* action : top->menu()->actions()) {
      if (action->text().remove('&') == "Rescan library") return action;
    }
  }
  return nullptr;
}

int count(const std::string& text, const std::string& part) {
  int found = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
  return found;
}

}  // namespace

class LibraryWatcherTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    if (!MusicFixture::haveCorpus()) QSKIP("The audio corpus (tests/data/tag-corpus, or $VOSTREL_TAG_CORPUS) is not here");
  }

  void startRescansOffTheMainThreadAndSwaps() {
    MusicFixture music;
    QSignalSpy finished(&music.watcher(), &LibraryWatcher::scanFinished);
    music.watcher().start();
    // start() returns at once; the scan runs on.
    QVERIFY(music.watcher().scanning());
    QCOMPARE(music.tracks(), 0u);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kWaitMs);
    QCOMPARE(music.tracks(), 2u);
    QVERIFY(music.watcher().lastScanThread() != std::thread::id());
    QVERIFY(music.watcher().lastScanThread() != std::this_thread::get_id());
    QCOMPARE(music.recorder.library, std::vector<int>({1, 0}));  // removed, then added
    QCOMPARE(music.recorder.track_info, 0);
    QVERIFY(music.watcher().watching());
  }

  void aBurstOfNewFilesIsOneRescanAfterSettling() {
    MusicFixture music;
    QSignalSpy finished(&music.watcher(), &LibraryWatcher::scanFinished);
    music.watcher().start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kWaitMs);
    music.copy("silence-44-s.flac", music.music() / "sub" / "c.flac");
    music.copy("multiple-vc.flac", music.music() / "d.flac");
    QTest::qWait(kSettleMs / 4);
    QCOMPARE(music.tracks(), 2u);  // still settling
    QTRY_COMPARE_WITH_TIMEOUT(music.tracks(), 4u, kWaitMs);
    QTest::qWait(kSettleMs * 2);
    QCOMPARE(finished.size(), 2);
    QCOMPARE(finished.at(1).at(0).value<library::ScanCounts>().added, 2u);

    // A new folder is watched once a scan has seen it.
    fs::create_directory(music.music() / "new");
    music.copy("silence-44-s.flac", music.music() / "new" / "e.flac");
    QTRY_COMPARE_WITH_TIMEOUT(music.tracks(), 5u, kWaitMs);
    music.copy("test.ogg", music.music() / "new" / "f.ogg");
    QTRY_COMPARE_WITH_TIMEOUT(music.tracks(), 6u, kWaitMs);

    fs::remove(music.music() / "sub" / "b.ogg");
    QTRY_COMPARE_WITH_TIMEOUT(music.tracks(), 5u, kWaitMs);
  }

  void aFolderThatCannotBeReadIsNamedInTheLogOnce() {
    MusicFixture music;
    const fs::path sub = music.music() / "sub";
    const testing_support::RestoreMode restore(sub);
    fs::permissions(sub, fs::perms::none);
    const testing_support::WithoutAccessOverride as_user;  // and so the scanning threads started from here
    QSignalSpy finished(&music.watcher(), &LibraryWatcher::scanFinished);
    music.watcher().start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kWaitMs);
    const std::string said = "[vostrel] The folder " + sub.string() + " cannot be read (Permission denied)";
    QCOMPARE(count(music.log.str(), said), 1);
    QCOMPARE(music.tracks(), 1u);
    // A change beside it: the rescan does not say it again.
    music.copy("test.ogg", music.music() / "c.ogg");
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, kWaitMs);
    QCOMPARE(music.tracks(), 2u);
    QCOMPARE(count(music.log.str(), said), 1);
    // It is not taken for the limit of watched folders: the others are watched.
    QCOMPARE(count(music.log.str(), "limit of watched folders"), 0);
  }

  void aReplacedFileRaisesTheTrackInfoEvent() {
    MusicFixture music;
    QSignalSpy finished(&music.watcher(), &LibraryWatcher::scanFinished);
    music.watcher().start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kWaitMs);
    const std::size_t before = music.sizeOf("/a.flac");
    music.recorder.library.clear();
    music.copy("silence-44-s.flac", music.music() / "a.flac");
    QTRY_COMPARE_WITH_TIMEOUT(music.recorder.track_info, 1, kWaitMs);
    QCOMPARE(music.tracks(), 2u);
    QVERIFY(music.sizeOf("/a.flac") != before);
    QCOMPARE(music.recorder.library, std::vector<int>({1, 0}));
  }

  void pastTheWatchLimitItRescansOnDemandOnly() {
    MusicFixture music;
    QSignalSpy finished(&music.watcher(), &LibraryWatcher::scanFinished);
    music.watcher().setWatchLimitForTesting(1);  // the music folder, not sub/
    music.watcher().start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kWaitMs);
    QVERIFY(!music.watcher().watching());
    music.copy("silence-44-s.flac", music.music() / "c.flac");
    QTest::qWait(kSettleMs * 4);
    QCOMPARE(music.tracks(), 2u);
    music.watcher().rescan();
    QTRY_COMPARE_WITH_TIMEOUT(music.tracks(), 3u, kWaitMs);
    QCOMPARE(count(music.log.str(), "limit of watched folders is reached"), 1);
  }

  void aRescanAskedForDuringAScanFollowsIt() {
    MusicFixture music;
    QSignalSpy finished(&music.watcher(), &LibraryWatcher::scanFinished);
    music.watcher().start();
    QVERIFY(music.watcher().scanning());
    music.watcher().rescan();
    music.watcher().rescan();  // one follow-up is enough
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, kWaitMs);
    QTest::qWait(kSettleMs * 2);
    QCOMPARE(finished.size(), 2);
    QCOMPARE(music.tracks(), 2u);
  }

  void inTheProgramAChangeMarksLibraryQueriesStale() {
    MusicFixture music;  // only its folder
    desktop_testing::DesktopFixture fixture;
    fixture.music_folders = {music.music()};
    desktop::DesktopApp& app = fixture.start();
    QVERIFY(app.libraryWatcher() != nullptr);
    app.libraryWatcher()->setSettleDelay(kSettleMs);
    QSignalSpy finished(app.libraryWatcher(), &LibraryWatcher::scanFinished);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, kWaitMs);
    QCOMPARE(app.player().libraryTrackCount(), 2u);

    tree::Panel& panel = *app.panel(1);
    auto node = std::make_unique<tree::QueryNode>(&panel, panel.nodeForItem(nullptr));
    node->setLabel("Count");
    node->definition().sql_query = "SELECT count(*) FROM MediaLibrary";
    tree::QueryResultNodeOption level;
    level.name = "count";
    level.level = 1;
    node->definition().level_options.push_back(level);
    auto* query = static_cast<tree::QueryNode*>(panel.attach(std::move(node), true));
    QVERIFY(query->refresh(true));
    QVERIFY(!query->stale());
    music.copy("silence-44-s.flac", music.music() / "a.flac");  // replaced: its tags read anew
    QTRY_VERIFY_WITH_TIMEOUT(query->stale(), kWaitMs);
    QCOMPARE(finished.size(), 2);

    rescanAction(app)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 3, kWaitMs);
  }

  void rescanLibraryInTheViewMenu() {
    desktop_testing::DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    QVERIFY(app.libraryWatcher() == nullptr);
    QAction* rescan = rescanAction(app);
    QVERIFY(rescan != nullptr);
    // A library file is read again: its playlists' items are replaced.
    fixture.recorder.events.clear();
    rescan->trigger();
    QVERIFY(std::find(fixture.recorder.events.begin(), fixture.recorder.events.end(),
                      static_cast<int>(host::PlaylistEvent::kItemsReplaced)) != fixture.recorder.events.end());
  }
};

QTEST_MAIN(LibraryWatcherTest)
#include "library_watcher_test.moc"
