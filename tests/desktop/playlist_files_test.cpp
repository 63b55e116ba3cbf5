// File > "Open playlist..." and "Save playlist as...": a file becomes a new
// tab through the player, a bad one adds nothing and says where it is bad,
// and the current playlist is written in the format its extension names.
#include <QAction>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <fstream>

#include "desktop/main_window.h"
#include "desktop/playlist_file_actions.h"
#include "desktop/playlist_tabs.h"
#include "desktop/support/desktop_fixture.h"
#include "player/playlist_file.h"
#include "profile/file_io.h"

using desktop_testing::DesktopFixture;

class PlaylistFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void theFileMenuOffersBothByKeyboard() {
    DesktopFixture fixture;
    desktop::MainWindow& window = fixture.start().mainWindow();
    QStringList texts;
    for (QAction* action : window.menuBar()->actions().first()->menu()->actions()) texts << action->text();
    QVERIFY2(texts.contains("Open &playlist...") && texts.contains("&Save playlist as..."),
             qPrintable(texts.join('|')));
    QVERIFY(window.playlistFiles().saveAction().isEnabled());
  }

  void openingAFileAddsATabNamedAfterIt() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    const std::filesystem::path file = fixture.profileDir().parent_path() / "Road Trip.m3u";
    std::ofstream(file) << "#EXTM3U\r\n/music/Alpha/First/02 Two.flac\r\n#EXTINF:61,Somebody - Gone\r\ngone.mp3\r\n";
    const std::size_t before = app.player().playlistCount();
    fixture.recorder.events.clear();
    QVERIFY(app.mainWindow().playlistFiles().openPlaylist(QString::fromStdString(file.string())));
    QCOMPARE(app.player().playlistCount(), before + 1);
    QCOMPARE(app.player().activePlaylist(), before);
    QCOMPARE(app.player().playlistName(before), std::string("Road Trip"));
    const host::TrackList items = app.player().playlistItems(before);
    QCOMPARE(items.size(), std::size_t{2});
    QCOMPARE(items[0], app.player().library()[1]);  // the library's track
    QCOMPARE(std::string(items[1]->path()), "file://" + (file.parent_path() / "gone.mp3").string());
    desktop::PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    QCOMPARE(tabs.tabText(static_cast<int>(before)), QString("Road Trip"));
    QCOMPARE(tabs.currentIndex(), static_cast<int>(before));
    QCOMPARE(app.mainWindow().statusBar()->currentMessage(),
             QString("Opened \"Road Trip\": 2 items, 1 not in the library"));
    QVERIFY(fixture.messages.isEmpty());
    // Opened again: a playlist of its own, whose name tells them apart.
    QVERIFY(app.mainWindow().playlistFiles().openPlaylist(QString::fromStdString(file.string())));
    QCOMPARE(app.player().playlistName(before + 1), std::string("Road Trip (2)"));
  }

  void aMalformedFileAddsNothingAndNamesTheLine() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    const std::filesystem::path file = fixture.profileDir().parent_path() / "bad.pls";
    std::ofstream(file) << "[playlist]\nFile1=a.mp3\nLength1=long\n";
    const std::size_t before = app.player().playlistCount();
    fixture.recorder.events.clear();
    QVERIFY(!app.mainWindow().playlistFiles().openPlaylist(QString::fromStdString(file.string())));
    QCOMPARE(app.player().playlistCount(), before);
    QVERIFY(fixture.recorder.events.empty());
    QCOMPARE(fixture.messages.size(), 1);
    QVERIFY2(
        fixture.messages[0].contains(QString::fromStdString(file.string())) && fixture.messages[0].contains("line 3"),
        qPrintable(fixture.messages[0]));
  }

  void savingWritesTheCurrentPlaylistByTheExtension() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    const std::filesystem::path folder = fixture.profileDir().parent_path();
    app.player().setActivePlaylist(1);
    desktop::PlaylistFileActions& files = app.mainWindow().playlistFiles();
    QVERIFY(files.savePlaylist(QString::fromStdString((folder / "jazz.xspf").string())));
    const player::PlaylistFileContents read = player::readPlaylistFile(folder / "jazz.xspf");
    QCOMPARE(read.name, app.player().playlistName(1));
    const host::TrackList items = app.player().playlistItems(1);
    QCOMPARE(read.entries.size(), items.size());
    for (std::size_t i = 0; i < items.size(); ++i) QCOMPARE(read.entries[i].location, std::string(items[i]->path()));

    QVERIFY(!files.savePlaylist(QString::fromStdString((folder / "jazz.txt").string())));
    QVERIFY(!std::filesystem::exists(folder / "jazz.txt"));
    QCOMPARE(fixture.messages.size(), 1);
    QVERIFY2(fixture.messages[0].contains(".m3u, .m3u8, .pls or .xspf"), qPrintable(fixture.messages[0]));
  }
};

QTEST_MAIN(PlaylistFilesTest)
#include "playlist_files_test.moc"
