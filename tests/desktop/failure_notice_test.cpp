// Failures are seen while the log is closed: the first line in the status
// bar, a count on View > Log and in the status bar until the log is opened,
// message boxes that warn under the program's name; a first start keeps
// the log closed.
#include <QAction>
#include <QLabel>
#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include "desktop/desktop_ui.h"
#include "desktop/log_dock.h"
#include "desktop/main_window.h"
#include "desktop/support/desktop_fixture.h"
#include "tree/panel.h"
#include "tree/query_node.h"

using desktop_testing::DesktopFixture;
using desktop_testing::addQuery;

namespace {

}  // namespace

class FailureNoticeTest : public QObject {
  Q_OBJECT

 private slots:
  void failuresAreToldFromNotices_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("summary");
    QTest::newRow("a framed error") << "[vostrel]\n>>>>>>>>>>>>>>>>>>>>>>>>>>>>>\nSQLite Error: (1) no such column: x\n"
                                       "SELECT x FROM MediaLibrary\n<<<<<<<<<<<<<<<<<<<<<<<<<<<<<\n"
                                    << "SQLite Error: (1) no such column: x";
    QTest::newRow("a track that cannot play") << "[vostrel] Cannot play /m/a.flac: cannot decode"
                                              << "Cannot play /m/a.flac: cannot decode";
    QTest::newRow("no audio output") << "[vostrel] Playback is not available: the system offers no audio output device"
                                     << "Playback is not available: the system offers no audio output device";
    QTest::newRow("a file not saved") << "[vostrel] The playlists could not be saved: disk full"
                                      << "The playlists could not be saved: disk full";
    QTest::newRow("a run aborted") << "[vostrel] Error while adding node \"x\". Refreshing query aborted."
                                   << "Error while adding node \"x\". Refreshing query aborted.";
    QTest::newRow("a damaged database") << "[vostrel] The database file \"/p/vostrel.db\" cannot be used: corrupt."
                                        << "The database file \"/p/vostrel.db\" cannot be used: corrupt.";
    // Abort query (or quitting) interrupts the statement: the user asked for it.
    QTest::newRow("a query the user aborted")
        << "[vostrel]\n>>>>>>>>>>>>>>>>>>>>>>>>>>>>>\nInterruption while executing:\nSELECT 1\n"
           "<<<<<<<<<<<<<<<<<<<<<<<<<<<<<\n"
        << "";
    QTest::newRow("a timing") << "[vostrel] Query refresh time: 0.004512" << "";
    QTest::newRow("a scan's counts") << "[vostrel] Library scan: 3 added, 0 changed, 0 removed, 9 unchanged" << "";
    QTest::newRow("names left out") << "[vostrel] 12 tag and info names were left out of MediaLibrary" << "";
  }
  void failuresAreToldFromNotices() {
    QFETCH(QString, line);
    QFETCH(QString, summary);
    QCOMPARE(desktop::failureSummary(line), summary);
  }

  void aFailureShowsInTheStatusBarAndCountsUntilTheLogIsOpened() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    desktop::MainWindow& window = app.mainWindow();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.logDock().isHidden());
    QVERIFY(window.failuresButton().isHidden());

    tree::QueryNode* broken = addQuery(*app.panel(1), "SELECT nope FROM MediaLibrary", "Broken");
    broken->refresh(true);
    QVERIFY2(window.statusBar()->currentMessage().contains("no such column: nope"),
             qPrintable(window.statusBar()->currentMessage()));
    QVERIFY(window.failuresButton().isVisible());
    QCOMPARE(window.failuresButton().text(), QStringLiteral("1 failure"));
    QCOMPARE(window.logAction().text(), QStringLiteral("&Log (1 failure)"));

    // Playback that cannot start.
    fixture.engine().available_ = false;
    app.player().playItem(0, 0);
    QTRY_VERIFY(window.statusBar()->currentMessage().startsWith("Playback is not available"));
    QCOMPARE(window.failuresButton().text(), QStringLiteral("2 failures"));

    QTest::mouseClick(&window.failuresButton(), Qt::LeftButton);
    QTRY_VERIFY(window.logDock().inView());
    QVERIFY(window.failuresButton().isHidden());
    QCOMPARE(window.logAction().text(), QStringLiteral("&Log"));
    QVERIFY(window.log().toPlainText().contains("no such column: nope"));

    // In view, a failure is shown but not counted.
    broken->refresh(true);
    QVERIFY(window.failuresButton().isHidden());
    QVERIFY(window.statusBar()->currentMessage().contains("no such column: nope"));
  }

  void aFailureWhileTheWindowStartsTakesThePlaybackStatusPlace() {
    DesktopFixture fixture;
    {
      desktop::DesktopApp& app = fixture.start();
      tree::QueryNode* broken = addQuery(*app.panel(1), "SELECT nope FROM MediaLibrary", "Broken");
      broken->definition().refresh_on_load = true;
      app.panel(1)->save(*broken);
      fixture.quit();
    }
    // The tree loads, and its query fails, before the window shows.
    desktop::MainWindow& window = fixture.start().mainWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.statusBar()->currentMessage().contains("no such column: nope"));
    // Drawn over each other otherwise.
    for (QLabel* label : window.statusBar()->findChildren<QLabel*>()) {
      QVERIFY2(label->text() != QStringLiteral("Stopped") || label->isHidden(), "the playback status shows too");
    }
  }

  void viewLogBringsTheLogIntoViewOrClosesIt() {
    DesktopFixture fixture;
    desktop::MainWindow& window = fixture.start().mainWindow();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!window.logAction().isChecked());
    window.logAction().trigger();
    QTRY_VERIFY(window.logDock().inView());
    QVERIFY(window.logAction().isChecked());
    window.logAction().trigger();
    QTRY_VERIFY(window.logDock().isHidden());
    QVERIFY(!window.logAction().isChecked());
  }

  void messageBoxesWarnUnderTheProgramsName_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("title");
    QTest::newRow("the component's") << "vostrel" << "Vostrel";
    QTest::newRow("the program's") << "Vostrel" << "Vostrel";
  }
  void messageBoxesWarnUnderTheProgramsName() {
    QFETCH(QString, caption);
    QFETCH(QString, title);
    desktop::DesktopUi ui;  // shows its messages as the program does
    ui.popupMessage("Execution error:\nno such table: x", caption.toStdString());
    QMessageBox* box = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* found = qobject_cast<QMessageBox*>(widget); found != nullptr && found->isVisible()) box = found;
    }
    QVERIFY(box != nullptr);
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->windowTitle(), title);
    box->close();
  }

  void theLogStartsClosedOnAFreshProfileAndOpenOnceTheUserOpenedIt() {
    DesktopFixture fixture;
    desktop::MainWindow& window = fixture.start().mainWindow();
    QVERIFY(window.logDock().isHidden());
    window.showLog();
    fixture.quit();
    QVERIFY(!fixture.start().mainWindow().logDock().isHidden());
  }
};

QTEST_MAIN(FailureNoticeTest)
#include "failure_notice_test.moc"
