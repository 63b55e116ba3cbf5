// What a user can do while a panel's statement runs for seconds and the host
// lets events through: abort it, be ignored, close or delete the panel,
// quit, or use another panel. Timers fire during the run.
#include <chrono>

#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "tree/open_panels.h"
#include "ui/panel_commands.h"
#include "ui/panel_tree_view.h"
#include "ui/support/panel_harness.h"
#include "ui/tree_model.h"

using ui_testing::PanelHarness;

namespace {

// Far below the seconds the statement needs when nothing stops it.
constexpr qint64 kAbortedWithinMs = 4000;

}  // namespace

class TreePanelReentryTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    harness_ = std::make_unique<PanelHarness>();
    panel_ = harness_->makePanel();
    QVERIFY(panel_->loadTree());
    panel_->resize(400, 300);
    panel_->show();
    slow_ = PanelHarness::addQuery(panel_->panel(), ui_testing::slowQuery(), {"v"}, nullptr, "Slow");
    slow_id_ = slow_->nodeId();
    send_ = PanelHarness::addQuery(panel_->panel(), "SELECT 'x'", {"x"}, nullptr, "Send");
    send_->definition().click.action = tree::kSendToConsole;
    QApplication::processEvents();
  }
  void cleanup() {
    panel_.reset();
    QTest::qWait(100);  // a panel left behind by a run is deleted now
    QVERIFY(tree::OpenPanels::instance().panels().empty());
    harness_.reset();
  }

  void escAborts() {
    bool label_shown = false;
    during([&] {
      label_shown = panel_->queryActiveLabel()->isVisible();
      if (const char* dir = std::getenv("VOSTREL_SHOTS")) panel_->grab().save(QString(dir) + "/query_active.png");
      QTest::keyClick(panel_->view(), Qt::Key_Escape);
    });
    QVERIFY(label_shown);
    QVERIFY(panel_->queryActiveLabel()->isHidden());
    QVERIFY(slow_->stale());  // interrupted, not completed
  }

  void abortQueryFromTheMenu() {
    QStringList offered;
    panel_->setMenuRunner([&](QMenu& menu, const QPoint&) {
      for (QAction* action : menu.actions()) offered << action->text();
      return menu.actions().value(0);
    });
    during([&] {
      ui_testing::contextMenuAt(*panel_, ui_testing::labelPoint(*panel_, *send_));
    });
    QCOMPARE(offered, QStringList{"Abort query\t   Esc"});
  }

  void inputIsSwallowedWhileRunning() {
    panel_->panel().control().select(send_->item());
    const std::size_t queries = panel_->panel().queries().size();
    std::size_t console_during = 99;
    bool deleted_during = true;
    during([&] {
      ui_testing::clickAt(*panel_, ui_testing::labelPoint(*panel_, *send_));
      QTest::keyClick(panel_->view(), Qt::Key_Space);
      QTest::keyClick(panel_->view(), Qt::Key_Delete);
      QTest::keyClick(panel_->view(), Qt::Key_F5);
      console_during = harness_->console_sql.size();
      // Nor does a delete from elsewhere take the running panel's nodes.
      deleted_during = panel_->panel().deleteNode(*slow_);
      QTest::keyClick(panel_->view(), Qt::Key_Escape);
    });
    QCOMPARE(console_during, std::size_t{0});
    QVERIFY(!deleted_during);
    QCOMPARE(harness_->ui.offered, (std::vector<uint32_t>{0x20, 0x2E, 0x74}));
    QVERIFY(harness_->host.questions.empty());
    QCOMPARE(panel_->panel().queries().size(), queries);
  }

  void closingThePanelStopsTheRun() {
    during([&] { panel_->close(); });
    QTRY_VERIFY(!panel_->isVisible());
    const std::vector<uint8_t> record = panel_->settingsRecord();
    panel_.reset();
    // The stored tree is whole: a new panel over the record shows it.
    panel_ = harness_->makePanel(record);
    QVERIFY(panel_->loadTree());
    QVERIFY(panel_->panel().findQuery(&panel_->panel().root(), "Slow") != nullptr);
  }

  void deletingThePanelDuringItsRun() {
    const std::vector<uint8_t> record = panel_->settingsRecord();
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(300, this, [&] { panel_.reset(); });
    ui::TreePanel* raw = panel_.get();
    raw->runCommand(ui::kCommandRefresh, *slow_);  // the panel is gone when this returns
    QVERIFY(clock.elapsed() < kAbortedWithinMs);
    QVERIFY(panel_ == nullptr);
    QTRY_VERIFY(tree::OpenPanels::instance().panels().empty());
    panel_ = harness_->makePanel(record);
    QVERIFY(panel_->loadTree());
    QVERIFY(panel_->panel().findQuery(&panel_->panel().root(), "Slow") != nullptr);
  }

  void deleteLaterDuringTheRun() {
    QTimer::singleShot(300, this, [&] { panel_.release()->deleteLater(); });
    ui::TreePanel* raw = panel_.get();
    QElapsedTimer clock;
    clock.start();
    raw->runCommand(ui::kCommandRefresh, *slow_);
    QVERIFY(clock.elapsed() < kAbortedWithinMs);
    QTRY_VERIFY(tree::OpenPanels::instance().panels().empty());
  }

  void quitStopsEveryRun() {
    during([&] {
      QEvent quit(QEvent::Quit);
      QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
    });
  }

  void anotherPanelStaysUsable() {
    std::unique_ptr<ui::TreePanel> other = harness_->makePanel();
    QVERIFY(other->loadTree());
    other->resize(300, 200);
    other->show();
    tree::QueryNode* there = PanelHarness::addQuery(other->panel(), "SELECT 'y'", {"y"}, nullptr, "There");
    there->definition().click.action = tree::kSendToConsole;
    QApplication::processEvents();
    QVERIFY(other->panel().rootNodeId() != panel_->panel().rootNodeId());
    during([&] {
      ui_testing::clickAt(*other, ui_testing::labelPoint(*other, *there));
      QTest::keyClick(panel_->view(), Qt::Key_Escape);
    });
    QCOMPARE(harness_->console_sql.size(), std::size_t{1});
  }

 private:
  // Runs the slow node interactively; `action` fires 300 ms into the run,
  // which must then end well before it would have.
  void during(const std::function<void()>& action) {
    bool fired = false;
    QTimer::singleShot(300, this, [&] {
      fired = true;
      action();
    });
    QElapsedTimer clock;
    clock.start();
    panel_->runCommand(ui::kCommandRefresh, *slow_);
    QVERIFY(fired);
    QVERIFY2(clock.elapsed() < kAbortedWithinMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!panel_ || !panel_->queryRunning());
  }

  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<ui::TreePanel> panel_;
  tree::QueryNode* slow_ = nullptr;
  tree::QueryNode* send_ = nullptr;
  int32_t slow_id_ = 0;
};

QTEST_MAIN(TreePanelReentryTest)
#include "tree_panel_reentry_test.moc"
