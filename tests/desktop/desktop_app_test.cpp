// The desktop program as a whole: prompt saving, quitting on signals, the
// notifications reaching the component, help, and the Qt-side services the
// component's windows use.
#include <csignal>
#include <fstream>
#include <sstream>

#include <QAction>
#include <QElapsedTimer>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "desktop/desktop_ui.h"
#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "desktop/playlist_tabs.h"
#include "desktop/support/desktop_fixture.h"
#include "profile/resources.h"
#include "profile/settings_store.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "ui/console_window.h"
#include "ui/panel_commands.h"
#include "ui/result_model.h"
#include "ui/sql_editor.h"
#include "ui/tree_panel.h"
#include "ui/ui_host.h"

using desktop_testing::DesktopFixture;
using desktop_testing::addQuery;

namespace {

std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

QAction* menuAction(QMainWindow& window, const QString& menu, const QString& text) {
  for (QAction* top : window.menuBar()->actions()) {
    if (top->text().remove('&') != menu) continue;
    for (QAction* action : top->menu()->actions()) {
      if (action->text().remove('&') == text) return action;
    }
  }
  return nullptr;
}

}  // namespace

class DesktopAppTest : public QObject {
  Q_OBJECT

 private slots:
  void playlistChangesAreSavedWithinASecond() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    const auto file = fixture.profileDir() / "playlists.json";
    const std::string before = readFile(file);
    app.mainWindow().playlistTabs().renamePlaylist(1, "Evening");
    QCOMPARE(readFile(file), before);  // coalesced, not written at once
    QTRY_VERIFY_WITH_TIMEOUT(readFile(file).find("\"Evening\"") != std::string::npos, 1500);
  }

  void aNewPanelIsInTheLayoutWithinASecond() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app.mainWindow().panels().addPanel({});
    const auto file = fixture.profileDir() / "layout.json";
    QTRY_COMPARE_WITH_TIMEOUT(profile::loadLayout(file).panels.size(), std::size_t{2}, 1500);
  }

  void sigtermAndSigintQuitLikeTheQuitCommand_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
  }
  void sigtermAndSigintQuitLikeTheQuitCommand() {
    QFETCH(int, signal);
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app.mainWindow().panels().addPanel({});
    QSignalSpy quit(&app, &desktop::DesktopApp::quitStarted);
    std::raise(signal);
    QTRY_COMPARE(quit.size(), 1);
    // The layout was written as the quit began, with both panels.
    QCOMPARE(profile::loadLayout(fixture.profileDir() / "layout.json").panels.size(), std::size_t{2});
  }

  void userChangesMarkTheQueriesThatReadThemStale() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    tree::Panel& panel = *app.panel(1);
    tree::QueryNode* playlists = addQuery(panel, "SELECT count(*) FROM Playlist", "Q");
    tree::QueryNode* library = addQuery(panel, "SELECT count(*) FROM MediaLibrary", "Q");
    QVERIFY(playlists->refresh(true));
    QVERIFY(library->refresh(true));
    app.mainWindow().playlistTabs().setCurrentIndex(1);  // activating changes no contents
    QVERIFY(!playlists->stale());
    app.mainWindow().playlistTabs().renamePlaylist(1, "Evening");
    QVERIFY(playlists->stale());
    QVERIFY(!library->stale());
    const std::string other = desktop_testing::testDataDir() + "/small-library.json";
    QVERIFY(app.mainWindow().openLibrary(QString::fromStdString(other)));
    QVERIFY(library->stale());
  }

  // Music folders chosen earlier would otherwise win over the file at the
  // next start.
  void anOpenedLibraryFileIsTheLibraryOfTheNextStart() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app.player().settings().setMusicFolders({"/srv/music"});
    app.player().settings().save();
    const std::string other = desktop_testing::testDataDir() + "/small-library.json";
    QVERIFY(app.mainWindow().openLibrary(QString::fromStdString(other)));
    const profile::SettingsStore stored(app.player().profile().settingsFile());
    QCOMPARE(stored.lastLibrary().value_or(""), other);
    QVERIFY(stored.musicFolders().empty());
  }

  void aLibraryFileThatCannotBeReadChangesNothing() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    const std::size_t tracks = app.player().libraryTrackCount();
    QVERIFY(!app.mainWindow().openLibrary("/nonexistent/library.json"));
    QCOMPARE(app.player().libraryTrackCount(), tracks);
    QCOMPARE(fixture.messages.size(), 1);
    QVERIFY(fixture.messages[0].contains("/nonexistent/library.json"));
  }

  void helpOpensThePageOrSaysItCannot() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    QStringList opened;
    app.ui().open_file = [&opened](const QString& path) {
      opened << path;
      return true;
    };
    menuAction(app.mainWindow(), "Help", "Vostrel help")->trigger();
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened[0].endsWith("/help/vostrel_help.html"));
    QVERIFY(fixture.messages.isEmpty());
    // The message names the file it tried, and why it could not open it.
    app.ui().open_file = [](const QString&) { return false; };
    menuAction(app.mainWindow(), "Help", "Vostrel help")->trigger();
    QCOMPARE(fixture.messages.size(), 1);
    QVERIFY2(fixture.messages[0].startsWith("vostrel: Unable to open help file " + opened[0] +
                                            ": the desktop has no program that shows web pages"),
             qPrintable(fixture.messages[0]));
  }

  // The panel's Help, and the preferences pages, name the help file they
  // tried in the log (and so in the status bar).
  void aHelpPageThatIsMissingIsNamed() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    QVERIFY(!app.ui().openHelpPage("no_such_page.html"));
    const QString path = QString::fromStdString((profile::resourceDir("help") / "no_such_page.html").string());
    QVERIFY2(app.mainWindow().log().toPlainText().contains(
                 "[vostrel] Unable to open help file " + path + ": the file does not exist."),
             qPrintable(app.mainWindow().log().toPlainText()));
  }

  // With mpd_port set, the program serves its first panel to MPD clients
  // on the loopback address, and a client's change is the player's; a port
  // in use is said in the log, and the program starts all the same.
  void mpdClientsAreServedWhileThePortIsSet() {
    DesktopFixture fixture;
    desktop::DesktopApp& first = fixture.start();
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    first.player().settings().set("mpd_port", std::to_string(port));
    first.player().settings().save();
    desktop::DesktopApp& app = fixture.start();

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(client.waitForConnected(2000));
    auto readReply = [&client](const QByteArray& end) {
      QByteArray reply;
      QElapsedTimer timer;
      timer.start();
      while (!reply.endsWith(end) && !reply.contains("ACK ") && timer.elapsed() < 5000) {
        QCoreApplication::processEvents();
        if (client.waitForReadyRead(20)) reply += client.readAll();
      }
      return reply;
    };
    QVERIFY2(readReply("\n").startsWith("OK MPD "), "no greeting");
    const std::size_t before = app.player().playlists().count();
    client.write("save \"From a client\"\n");
    QCOMPARE(readReply("OK\n"), QByteArray("OK\n"));
    QCOMPARE(app.player().playlists().count(), before + 1);
    QCOMPARE(app.player().playlists().at(before).name, std::string("From a client"));
    client.disconnectFromHost();

    // The port is taken now (by a listener of our own): the next start says so.
    fixture.quit();
    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost, port));
    desktop::DesktopApp& again = fixture.start();
    QVERIFY2(again.mainWindow().log().toPlainText().contains("The server for MPD clients cannot start"),
             qPrintable(again.mainWindow().log().toPlainText()));
  }

  void toolsListTheRegisteredCommands() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    QAction* console = menuAction(app.mainWindow(), "Tools", "Vostrel console");
    QVERIFY(console != nullptr);
    QVERIFY(console->isEnabled());
    console->trigger();
    ui::ConsoleWindow& window = app.mainWindow().console();
    QVERIFY(window.isVisible());
    QVERIFY(!window.isModal());
    QCOMPARE(window.parentWidget(), &app.mainWindow());
    QCOMPARE(window.statusText(), QStringLiteral("Ready"));  // opening alone runs nothing
  }

  void sendToConsoleOpensTheConsoleAndRuns() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    tree::Panel& panel = *app.panel(1);
    QVERIFY(panel.hooks().send_to_console);
    panel.hooks().send_to_console("SELECT count(*) AS n FROM MediaLibrary");
    ui::ConsoleWindow& window = app.mainWindow().console();
    QVERIFY(window.isVisible());
    QCOMPARE(window.editor().text(), QStringLiteral("SELECT count(*) AS n FROM MediaLibrary"));
    QCOMPARE(window.model().cellText(0, 1), QString::number(app.player().libraryTrackCount()));
    QVERIFY2(window.statusText().endsWith(" // 1 row retrieved"), qPrintable(window.statusText()));
    // The same window every time.
    panel.hooks().send_to_console("SELECT 1");
    QCOMPARE(&app.mainWindow().console(), &window);
    QCOMPARE(window.editor().text(), QStringLiteral("SELECT 1"));
  }

  void quittingStopsAConsoleRun() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    bool asked = false;
    fixture.player().setPumpHook([&] {
      if (asked) return;
      asked = true;
      app.requestQuit();
    });
    QElapsedTimer timer;
    timer.start();
    app.panel(1)->hooks().send_to_console(
        "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<400000000) SELECT count(*) FROM r");
    fixture.player().setPumpHook({});
    QVERIFY(asked);
    QVERIFY(timer.elapsed() < 3000);
    const QString status = app.mainWindow().console().statusText();
    QVERIFY2(status.startsWith("Execution time (aborted): "), qPrintable(status));
  }

  void coloursFollowThePaletteAndChangesAreSignalled() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    desktop::DesktopUi& ui = app.ui();
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(1, 2, 3));
    palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(4, 5, 6));
    palette.setColor(QPalette::Active, QPalette::Mid, QColor(7, 8, 9));
    QSignalSpy changed(&ui, &ui::UiHost::uiColoursChanged);
    QApplication::setPalette(palette);
    QVERIFY(changed.size() >= 1);
    QCOMPARE(ui.uiColour(ui::UiColour::kSelectedBackground), QColor(1, 2, 3));
    QCOMPARE(ui.uiColour(ui::UiColour::kInactiveSelectedBackground), QColor(4, 5, 6));
    QCOMPARE(ui.uiColour(ui::UiColour::kLine), QColor(7, 8, 9));
    QApplication::setPalette(saved);
    QSignalSpy font(&ui, &ui::UiHost::uiFontChanged);
    QFont bigger = QApplication::font();
    bigger.setPointSize(bigger.pointSize() + 3);
    QApplication::setFont(bigger);
    QVERIFY(font.size() >= 1);
    QCOMPARE(ui.uiFont(), bigger);
  }

  void quittingWhileAQueryRunsInterruptsItAndKeepsTheTree() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    ui::TreePanel& widget = *app.mainWindow().panels().widget(0);
    const std::size_t nodes = app.panel(1)->control().itemCount();
    tree::QueryNode* slow = addQuery(*app.panel(1),
                                     "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<400000000) "
                                     "SELECT 'Value '||i FROM r WHERE i % 100000000 = 0", "Q");
    bool asked = false;
    app.player().setPumpHook([&] {
      if (asked) return;
      asked = true;
      app.requestQuit();
    });
    QElapsedTimer timer;
    timer.start();
    widget.runCommand(ui::kCommandRefresh, *slow);
    app.player().setPumpHook({});
    QVERIFY(asked);
    QVERIFY(app.quitting());
    QVERIFY2(timer.elapsed() < 5000, "the statement was interrupted, not run to its end");
    fixture.quit();

    desktop::DesktopApp& again = fixture.start();
    QCOMPARE(again.panel(1)->control().itemCount(), nodes + 1);
  }

  void keySequences_data() {
    QTest::addColumn<uint>("code");
    QTest::addColumn<QString>("sequence");
    QTest::newRow("Ctrl+Delete") << uint(ui::kHotKeyCtrl | 0x2E) << "Ctrl+Del";
    QTest::newRow("Ctrl+Enter") << uint(ui::kHotKeyCtrl | 0x0D) << "Ctrl+Return";
    QTest::newRow("Shift+Alt+F5") << uint(ui::kHotKeyShift | ui::kHotKeyAlt | 0x74) << "Alt+Shift+F5";
    QTest::newRow("letter") << uint(ui::kHotKeyCtrl | 'O') << "Ctrl+O";
    QTest::newRow("digit") << uint('7') << "7";
    QTest::newRow("unknown key") << uint(0xFF) << "";
  }
  void keySequences() {
    QFETCH(uint, code);
    QFETCH(QString, sequence);
    QCOMPARE(desktop::DesktopUi::keySequence(code).toString(), sequence);
  }

  void anOfferedKeyTriggersTheMainWindowsShortcut() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    QAction* action = new QAction(&app.mainWindow());
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    QSignalSpy triggered(action, &QAction::triggered);
    QVERIFY(app.ui().offerKey(ui::kHotKeyCtrl | 0x2E));
    QCOMPARE(triggered.size(), 1);
    QVERIFY(!app.ui().offerKey(ui::kHotKeyCtrl | ui::kHotKeyShift | 0x2E));
  }
};

QTEST_MAIN(DesktopAppTest)
#include "desktop_app_test.moc"
