// Commands sent to the running desktop program: they work on its live
// player, panels and library, the window shows what they changed, their
// output and messages go back to the sender, they never run inside a
// running statement, and one whose reader lags lets others run meanwhile.
#include <QDockWidget>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "app/desktop_commands.h"
#include "app/forward_client.h"
#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "desktop/playlist_model.h"
#include "desktop/playlist_tabs.h"
#include "desktop/support/desktop_fixture.h"
#include "desktop/support/raw_client.h"
#include "desktop/undo_history.h"
#include "tree/panel.h"
#include "tree/panel_settings.h"

using desktop_testing::DesktopFixture;

namespace {

struct Sent {
  std::optional<int> status;
  std::string out;
  std::string err;
};

profile::CommandRequest commandRequest(const std::filesystem::path& profile, const std::vector<std::string>& args) {
  profile::CommandRequest request;
  request.args = {"--profile", profile.string()};
  request.args.insert(request.args.end(), args.begin(), args.end());
  request.profile = profile.string();
  request.cwd = std::filesystem::current_path().string();
  return request;
}

// Sends `request` from another thread, as a command in a terminal would,
// and lets the program's events run until the reply is complete.
Sent sendRequest(const std::filesystem::path& profile, const profile::CommandRequest& request,
                 const std::function<void()>& meanwhile = {}) {
  Sent sent;
  std::ostringstream out;
  std::ostringstream err;
  std::atomic<bool> done{false};
  std::thread client([&] {
    sent.status = app::forwardCommand(profile::commandSocketPath(profile), 0, request, out, err, 10);
    done = true;
  });
  if (meanwhile) meanwhile();
  (void)QTest::qWaitFor([&] { return done.load(); }, 10000);
  client.join();
  sent.out = out.str();
  sent.err = err.str();
  return sent;
}

// The same with `args` after --profile PROFILE.
Sent sendCommand(const std::filesystem::path& profile, std::vector<std::string> args,
                 const std::function<void()>& meanwhile = {}, std::optional<std::string> input = std::nullopt) {
  profile::CommandRequest request = commandRequest(profile, args);
  request.input = std::move(input);
  return sendRequest(profile, request, meanwhile);
}

// The frames' text of one channel.
std::string channelText(const std::vector<profile::Frame>& frames, profile::FrameType channel) {
  std::string text;
  for (const profile::Frame& frame : frames) {
    if (frame.type == channel) text += frame.payload;
  }
  return text;
}

}  // namespace

class ForwardedCommandTest : public QObject {
  Q_OBJECT

 private slots:
  void aClickShowsUpInTheWindowsPlaylists() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    QVERIFY(commands.listen());
    const Sent sent = sendCommand(fixture.profileDir(), {"click", "<Examples>/Library/Album"});
    QCOMPARE(sent.status, std::optional<int>(0));
    QCOMPARE(sent.err, std::string());

    player::Player& player = app.player();
    const std::size_t active = player.activePlaylist();
    QCOMPARE(player.playlistName(active), std::string("Vostrel playlist"));
    QVERIFY(player.playlistItemCount(active) > 0);
    desktop::PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    QCOMPARE(tabs.currentIndex(), static_cast<int>(active));
    QCOMPARE(tabs.tabText(static_cast<int>(active)).remove('&'), QStringLiteral("Vostrel playlist"));
    QCOMPARE(static_cast<std::size_t>(tabs.model(active)->rowCount()), player.playlistItemCount(active));

    // The next command sees the live playlists, not the file's.
    const Sent listed = sendCommand(fixture.profileDir(), {"playlists"});
    QVERIFY2(listed.out.find("Vostrel playlist (active)\n") != std::string::npos, listed.out.c_str());

    // What the command changed is one step the window undoes.
    desktop::UndoHistory& history = app.mainWindow().undoHistory();
    QCOMPARE(history.stack().count(), 1);
    QCOMPARE(history.undoAction()->text(), QString("&Undo Send to \"Vostrel playlist\""));
    const std::size_t count = player.playlistCount();
    history.undo();
    QCOMPARE(player.playlistCount(), count - 1);
  }

  void outputMessagesAndStatusGoToTheSender() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    QVERIFY(commands.listen());
    const struct {
      std::vector<std::string> args;
      int status;
      std::string out;  // expected in stdout
      std::string err;  // expected in stderr
    } cases[] = {
        {{"sql", "--format", "tsv", "SELECT 6*7 AS answer"}, 0, "answer\n42\n", ""},
        {{"sql", "SELECT nope"}, 1, "", "no such column: nope"},
        {{"node", "show", "No/Such"}, 2, "", "No node at No/Such"},
        {{"tree", "--format", "xml"}, 2, "", "Unknown format \"xml\""},
        {{"--library", "other.json", "playlists"}, 2, "", "--library and --set apply only"},
        {{"--playing", "/music/a.flac", "sql", "SELECT playing('title')"}, 2, "", "as does --playing"},
        {{"config", "console_row_limit", "many"}, 2, "", "Invalid value \"many\""},
    };
    for (const auto& c : cases) {
      const Sent sent = sendCommand(fixture.profileDir(), c.args);
      const std::string context = c.args.back() + ": " + sent.out + " / " + sent.err;
      QVERIFY2(sent.status == c.status, context.c_str());
      QVERIFY2(sent.out.find(c.out) != std::string::npos, context.c_str());
      QVERIFY2(c.out.empty() || sent.out == c.out, context.c_str());
      QVERIFY2(sent.err.find(c.err) != std::string::npos, context.c_str());
    }
    // Nothing popped up in the window meanwhile.
    QCOMPARE(fixture.messages, QStringList());
  }

  void aSettingChangedByACommandIsTheProgramsOwn() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    QVERIFY(commands.listen());
    QCOMPARE(sendCommand(fixture.profileDir(), {"config", "console_row_limit", "7"}).status, std::optional<int>(0));
    QCOMPARE(app.player().settings().get("console_row_limit"), std::string("7"));
    QCOMPARE(app.player().advancedSettings().console_row_limit, uint64_t{7});
  }

  void aMissingPanelIsOpenedInTheWindow() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    QVERIFY(commands.listen());
    QCOMPARE(app.mainWindow().panels().count(), std::size_t{1});
    const Sent sent = sendCommand(fixture.profileDir(), {"node", "add-folder", "--panel", "2", "/", "Mine"});
    QCOMPARE(sent.status, std::optional<int>(0));
    QCOMPARE(app.mainWindow().panels().count(), std::size_t{2});
    const Sent listed = sendCommand(fixture.profileDir(), {"tree", "--panel", "2"});
    QVERIFY2(listed.out.find("Mine\n") != std::string::npos, listed.out.c_str());
    QCOMPARE(app.mainWindow().panels().count(), std::size_t{2});
  }

  void panelOptionsAndNumbersApplyToTheWindowsPanels() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    QVERIFY(commands.listen());
    desktop::PanelDocks& docks = app.mainWindow().panels();
    QCOMPARE(sendCommand(fixture.profileDir(), {"panel", "set", "--edge", "none"}).status, std::optional<int>(0));
    QCOMPARE(docks.widget(0)->panel().settings().edge_style, int32_t{tree::kEdgeNone});
    const Sent shown = sendCommand(fixture.profileDir(), {"panel", "show"});
    QCOMPARE(shown.status, std::optional<int>(0));
    QVERIFY2(shown.out.starts_with("edge=none\n"), shown.out.c_str());

    // Only the next number adds a panel, as on a layout without the window.
    const Sent beyond = sendCommand(fixture.profileDir(), {"tree", "--panel", "3"});
    QCOMPARE(beyond.status, std::optional<int>(2));
    QVERIFY2(beyond.err.find("There is no panel 3: the layout has 1 panel(s)") != std::string::npos,
             beyond.err.c_str());
    QCOMPARE(docks.count(), std::size_t{1});
  }

  void aCommandsFilterIsForItsOwnRunOnly() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    QVERIFY(commands.listen());
    tree::Panel& window_panel = app.mainWindow().panels().widget(0)->panel();
    QVERIFY(window_panel.setSearchText("beta"));
    db::LibraryFilter* window_filter = window_panel.database().libraryFilter();
    QVERIFY(window_filter != nullptr);
    player::Player& player = app.player();

    const Sent filtered = sendCommand(fixture.profileDir(), {"click", "--filter", "two", "<Examples>/Library/Album"});
    QCOMPARE(filtered.status, std::optional<int>(0));
    QCOMPARE(player.playlistItemCount(player.activePlaylist()), std::size_t{1});
    QCOMPARE(player.playlistItems(player.activePlaylist())[0]->path(),
             std::string_view("file:///music/Alpha/First/02 Two.flac"));

    // Without a filter the command sees the whole library, not the window's search.
    const Sent whole = sendCommand(fixture.profileDir(), {"click", "<Examples>/Library/Album"});
    QCOMPARE(whole.status, std::optional<int>(0));
    QVERIFY(player.playlistItemCount(player.activePlaylist()) >= 3);
    const Sent tree = sendCommand(fixture.profileDir(), {"tree", "--refresh", "--filter", "alpha"});
    QVERIFY2(tree.out.find("      Alpha\n") != std::string::npos, tree.out.c_str());
    QVERIFY2(tree.out.find("      Beta\n") == std::string::npos, tree.out.c_str());

    QCOMPARE(window_panel.searchText(), std::string("beta"));
    QCOMPARE(window_panel.database().libraryFilter(), window_filter);
  }

  void aScriptFileIsTheSendersText() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    QVERIFY(commands.listen());
    // The sender read the file (here a path the program cannot open): the
    // program runs the text that came with the command.
    const Sent sent = sendCommand(fixture.profileDir(), {"sql", "--format", "tsv", "-f", "/nonexistent/script.sql"},
                                  {}, std::string("SELECT 'from the sender' AS s"));
    QCOMPARE(sent.status, std::optional<int>(0));
    QCOMPARE(sent.out, std::string("s\nfrom the sender\n"));
    const Sent columns = sendCommand(fixture.profileDir(), {"columns", "--format", "json"});
    QCOMPARE(columns.status, std::optional<int>(0));
    QVERIFY2(columns.out.starts_with("["), columns.out.c_str());
  }

  void playlistFilesAreReadAndWrittenInTheSendersFolder() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    QVERIFY(commands.listen());
    const std::filesystem::path folder = fixture.profileDir().parent_path() / "lists";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "trip.m3u8") << "/music/Alpha/First/02 Two.flac\nsub/gone.mp3\n";
    profile::CommandRequest request = commandRequest(fixture.profileDir(), {"playlists", "import", "trip.m3u8"});
    request.cwd = folder.string();
    const Sent imported = sendRequest(fixture.profileDir(), request);
    QVERIFY2(imported.status == 0, imported.err.c_str());
    player::Player& player = app.player();
    const std::size_t added = player.playlistCount() - 1;
    QCOMPARE(player.playlistName(added), std::string("trip"));
    QCOMPARE(player.playlistItemCount(added), std::size_t{2});
    QCOMPARE(app.mainWindow().playlistTabs().count(), static_cast<int>(player.playlistCount()));

    request = commandRequest(fixture.profileDir(), {"playlists", "export", "trip", "copy.pls"});
    request.cwd = folder.string();
    const Sent exported = sendRequest(fixture.profileDir(), request);
    QVERIFY2(exported.status == 0, exported.err.c_str());
    std::ifstream copy(folder / "copy.pls");
    const std::string text((std::istreambuf_iterator<char>(copy)), std::istreambuf_iterator<char>());
    QVERIFY2(text.find("File2=sub/gone.mp3\n") != std::string::npos, text.c_str());
  }

  void closingThePanelWhileACommandWorksOnItIsSafe() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    QVERIFY(commands.listen());
    const std::string slow =
        "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<400000000) "
        "SELECT 'Value '||i AS v FROM r WHERE i % 100000000 = 0";
    QCOMPARE(sendCommand(fixture.profileDir(), {"node", "add-query", "/", "Slow", "--query", slow}).status,
             std::optional<int>(0));
    desktop::PanelDocks& docks = app.mainWindow().panels();
    // Closes the panel's dock as soon as the command's refresh runs in it.
    QTimer closer;
    bool closed = false;
    QObject::connect(&closer, &QTimer::timeout, [&] {
      if (closed || docks.count() == 0 || !commands.server().running() || !docks.widget(0)->queryRunning()) return;
      closed = true;
      docks.dock(0)->close();
    });
    closer.start(20);
    const Sent sent = sendCommand(fixture.profileDir(), {"tree", "--refresh"});
    QVERIFY(closed);
    QCOMPARE(docks.count(), std::size_t{0});
    QCOMPARE(sent.status, std::optional<int>(1));  // the refresh was stopped
    QVERIFY2(sent.out.find("Slow\n") != std::string::npos, sent.out.c_str());
    QTest::qWait(100);  // the panel goes once the command has let go of it
  }

  void aRaiseRequestShowsTheWindow() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    desktop::MainWindow& window = app.mainWindow();
    window.showMinimized();
    window.hide();
    commands.raiseWindow();
    QVERIFY(window.isVisible());
    QVERIFY(!window.isMinimized());
  }

  void aCommandWaitsForAStatementThatLetsEventsThrough() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    QVERIFY(commands.listen());
    player::Player& player = app.player();
    auto clicked = [&] {
      for (std::size_t p = 0; p < player.playlistCount(); ++p) {
        if (player.playlistName(p) == "Vostrel playlist") return true;
      }
      return false;
    };
    QVERIFY(!clicked());
    bool ran_inside = false;
    bool queued = false;
    const Sent sent = sendCommand(fixture.profileDir(), {"click", "<Examples>/Library/Album"}, [&] {
      // A statement of the window's lets events through for a while: the
      // command arrives meanwhile but must not run inside it.
      QElapsedTimer timer;
      timer.start();
      while (timer.elapsed() < 500) {
        player.pumpEvents();
        queued = queued || commands.server().queued() == 1;
        ran_inside = ran_inside || commands.server().running() || clicked();
      }
    });
    QVERIFY(queued);
    QVERIFY(!ran_inside);
    QCOMPARE(sent.status, std::optional<int>(0));
    QVERIFY(clicked());
  }

  void aCommandForAnotherProfileIsRefused() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    QVERIFY(commands.listen());
    const std::filesystem::path own = fixture.profileDir();
    const std::filesystem::path other = own.parent_path() / "other";
    std::filesystem::create_directories(other);
    const std::filesystem::path link = own.parent_path() / "link";
    std::filesystem::create_directory_symlink(own, link);
    const struct {
      const char* name;
      std::string args_profile;
      std::string request_profile;
      int status;
    } cases[] = {
        {"the request names another", own.string(), other.string(), 2},
        {"its --profile names another", other.string(), own.string(), 2},
        {"the request names none", own.string(), "", 2},
        {"the same through a link", link.string(), (link / "").string(), 0},
    };
    for (const auto& c : cases) {
      profile::CommandRequest request = commandRequest(c.args_profile, {"config", "console_row_limit", "7"});
      request.profile = c.request_profile;
      const Sent sent = sendRequest(own, request);
      QVERIFY2(sent.status == c.status, c.name);
      if (c.status == 2) {
        QVERIFY2(sent.err.find("the command was not run") != std::string::npos, sent.err.c_str());
        QVERIFY2(app.player().settings().get("console_row_limit") != "7", c.name);
      }
    }
    QCOMPARE(app.player().settings().get("console_row_limit"), std::string("7"));
  }

  void aScanScansTheFoldersTheWindowShows() {
    DesktopFixture fixture;
    testing_support::TempDir music;
    fixture.music_folders = {music.path()};
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    QVERIFY(commands.listen());
    // The settings still name no folders: the window was given them.
    QVERIFY(app.player().settings().musicFolders().empty());
    const Sent sent = sendCommand(fixture.profileDir(), {"scan"});
    QVERIFY2(sent.status == std::optional<int>(0), sent.err.c_str());
    QVERIFY2(sent.out.starts_with("Scanned 1 music folder in "), sent.out.c_str());

    // On a library file it says that the window shows one.
    DesktopFixture on_file;
    desktop::DesktopApp& file_app = on_file.start();
    app::DesktopCommands file_commands(file_app);
    QVERIFY(file_commands.listen());
    const Sent refused = sendCommand(on_file.profileDir(), {"scan"});
    QCOMPARE(refused.status, std::optional<int>(2));
    QVERIFY2(
        refused.err.find("the desktop program that runs on this profile shows the library file") != std::string::npos,
        refused.err.c_str());
  }

  void whatTakesTheSocketsPlaceIsReplacedOrReported() {
    // A file left where the socket goes is replaced.
    {
      DesktopFixture fixture;
      std::filesystem::create_directories(fixture.profileDir());
      { std::ofstream(fixture.profileDir() / "desktop.sock") << "stale"; }
      desktop::DesktopApp& app = fixture.start();
      app::DesktopCommands commands(app);
      QVERIFY(commands.listen());
      QCOMPARE(sendCommand(fixture.profileDir(), {"playlists"}).status, std::optional<int>(0));
      QVERIFY(app.mainWindow().warning().isEmpty());
    }
    // A folder is not: the log, the status bar and stderr say that
    // commands cannot reach the program.
    DesktopFixture fixture;
    std::filesystem::create_directories(fixture.profileDir() / "desktop.sock");
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    std::ostringstream err;
    std::streambuf* const stderr_buffer = std::cerr.rdbuf(err.rdbuf());
    const bool listening = commands.listen();
    std::cerr.rdbuf(stderr_buffer);
    QVERIFY(!listening);
    const QString log = app.mainWindow().log().toPlainText();
    QVERIFY2(log.contains(QStringLiteral("[vostrel] Commands cannot reach this program")) &&
                 log.contains(QStringLiteral("desktop.sock is a folder")),
             qPrintable(log));
    QVERIFY2(app.mainWindow().warning().contains(QStringLiteral("desktop.sock is a folder")),
             qPrintable(app.mainWindow().warning()));
    QVERIFY2(err.str().starts_with("vostrel: Commands cannot reach this program"), err.str().c_str());
  }

  void aCommandWhoseReaderLagsLetsAnotherRunAndStaysItself() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app::DesktopCommands commands(app);
    QVERIFY(commands.listen());
    const std::filesystem::path profile = fixture.profileDir();
    // 100,000 rows of about 110 bytes; the console stops after 80,000. The
    // sender reads nothing until a second command has had its answer; then
    // it presses Ctrl+C, or not.
    const std::string query =
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c LIMIT 100000) "
        "SELECT x, printf('%.100c', '.') AS p FROM c";
    for (const bool interrupt : {false, true}) {
      desktop_testing::RawClient big;
      QVERIFY(big.connect(profile::commandSocketPath(profile)));
      QVERIFY(big.sendRequest(commandRequest(profile, {"sql", "--format", "tsv", "--limit", "80000", query})));
      Sent small;
      std::vector<profile::Frame> frames;
      std::atomic<bool> done{false};
      std::thread reader([&] {
        // Once the big command runs, the second one waits until it pauses.
        if (!big.readStarted()) {
          done = true;
          return;
        }
        std::ostringstream out;
        std::ostringstream err;
        small.status =
            app::forwardCommand(profile::commandSocketPath(profile), 0,
                                commandRequest(profile, {"sql", "--format", "tsv", "SELECT 6*7 AS a"}), out, err, 10);
        small.out = out.str();
        if (interrupt) big.send(profile::encodeFrame(profile::FrameType::kAbort));
        frames = big.readAll();
        done = true;
      });
      const bool ended = QTest::qWaitFor([&] { return done.load(); }, 20000);
      reader.join();
      QVERIFY(ended);
      QCOMPARE(small.status, std::optional<int>(0));
      QCOMPARE(small.out, std::string("a\n42\n"));
      QVERIFY(!frames.empty() && frames.back().type == profile::FrameType::kExit);
      const std::string out = channelText(frames, profile::FrameType::kStdout);
      const std::string err = channelText(frames, profile::FrameType::kStderr);
      const auto lines = std::count(out.begin(), out.end(), '\n');
      if (interrupt) {
        // Its Ctrl+C still reaches its statement.
        QCOMPARE(profile::decodeExitStatus(frames.back().payload), 1);
        QVERIFY2(lines < 80001, qPrintable(QString::number(lines)));
      } else {
        // All its rows, and its messages still go to it.
        QCOMPARE(profile::decodeExitStatus(frames.back().payload), 0);
        QCOMPARE(lines, 80001);
        QVERIFY2(err.find("Row limit (80000 rows)") != std::string::npos, err.c_str());
      }
    }
    QVERIFY(!app.mainWindow().log().toPlainText().contains(QStringLiteral("Row limit")));
  }
};

QTEST_MAIN(ForwardedCommandTest)
#include "forwarded_command_test.moc"
