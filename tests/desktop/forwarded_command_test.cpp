// Commands sent to the running desktop program: they work on its live
// player and panels, the window shows what they changed, their output and
// messages go back to the sender, and they never run inside a running
// statement.
#include <atomic>
#include <sstream>
#include <thread>

#include <QDockWidget>
#include <QElapsedTimer>
#include <QTimer>
#include <QTabWidget>
#include <QTest>

#include "app/desktop_commands.h"
#include "app/forward_client.h"
#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "desktop/playlist_model.h"
#include "desktop/playlist_tabs.h"
#include "desktop/support/desktop_fixture.h"
#include "tree/panel.h"
#include "tree/panel_settings.h"

using desktop_testing::DesktopFixture;

namespace {

struct Sent {
  std::optional<int> status;
  std::string out;
  std::string err;
};

// Sends `args` from another thread, as a command in a terminal would, and
// lets the program's events run until the reply is complete.
Sent sendCommand(const std::filesystem::path& profile, std::vector<std::string> args,
                 const std::function<void()>& meanwhile = {}, std::optional<std::string> input = std::nullopt) {
  profile::CommandRequest request;
  request.args = {"--profile", profile.string()};
  request.args.insert(request.args.end(), args.begin(), args.end());
  request.cwd = std::filesystem::current_path().string();
  request.input = std::move(input);
  Sent sent;
  std::ostringstream out;
  std::ostringstream err;
  std::atomic<bool> done{false};
  std::thread client([&] {
    sent.status = app::forwardCommand(profile::commandSocketPath(profile), 0, request, out, err);
    done = true;
  });
  if (meanwhile) meanwhile();
  QTest::qWaitFor([&] { return done.load(); }, 10000);
  client.join();
  sent.out = out.str();
  sent.err = err.str();
  return sent;
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
};

QTEST_MAIN(ForwardedCommandTest)
#include "forwarded_command_test.moc"
