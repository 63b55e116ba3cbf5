// The hint at the top of a tree panel: shown until the user closes it, then
// gone from every panel for good; its close button is reached by keyboard.
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QToolButton>

#include "ui/panel_hint.h"
#include "ui/panel_search.h"
#include "ui/panel_tree_view.h"
#include "ui/support/panel_harness.h"

using ui_testing::PanelHarness;

class PanelHintTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { harness_ = std::make_unique<PanelHarness>(); }
  void cleanup() { harness_.reset(); }

  void shownAboveTheTreeUntilClosed() {
    harness_->ui.tree_hint = true;
    auto panel = harness_->makePanel();
    QVERIFY(panel->loadTree());
    panel->resize(240, 300);
    panel->show();
    QApplication::processEvents();
    ui::PanelHint* hint = panel->hint();
    QVERIFY(hint != nullptr);
    QVERIFY(hint->isVisible());
    QCOMPARE(hint->label()->text(), QStringLiteral("Click a node to send its tracks to a playlist. F5 runs a query "
                                                   "node and shows its levels. Right-click for more."));
    // The whole text fits the narrow panel's width, above the tree.
    QVERIFY(hint->geometry().bottom() < panel->view()->geometry().top());
    QVERIFY(hint->label()->height() >= hint->label()->heightForWidth(hint->label()->width()));
    QVERIFY(!hint->closeButton()->accessibleName().isEmpty());
    if (const char* dir = std::getenv("VOSTREL_SHOTS")) panel->grab().save(QString::fromUtf8(dir) + "/hint.png");

    const int tree_top = panel->view()->geometry().top();
    const QPointer<ui::PanelHint> closed(hint);
    hint->closeButton()->click();
    QCOMPARE(harness_->ui.hint_dismissals, 1);
    QVERIFY(panel->hint() == nullptr);
    QVERIFY2(closed.isNull() || !closed->isVisible(), "gone at once, not when it is deleted");
    QVERIFY(panel->view()->geometry().top() < tree_top);  // the tree takes the room back
    // A panel made afterwards has none.
    auto later = harness_->makePanel();
    QVERIFY(later->hint() == nullptr);
  }

  // A panel too narrow to read the hint leaves it out (it would wrap a word
  // a line, taller than the tree) until the panel is wide enough.
  void leftOutOfANarrowPanel() {
    harness_->ui.tree_hint = true;
    auto panel = harness_->makePanel();
    QVERIFY(panel->loadTree());
    panel->resize(60, 300);
    panel->show();
    QApplication::processEvents();
    ui::PanelHint* hint = panel->hint();
    QVERIFY(hint != nullptr);
    QVERIFY(!hint->isVisible());
    // The tree right below the search field.
    QCOMPARE(panel->view()->geometry().top(), panel->search()->geometry().bottom() + 1 + 2);
    panel->resize(hint->readableWidth() + 20, 300);
    QApplication::processEvents();
    QVERIFY(hint->isVisible());
    QVERIFY(hint->geometry().bottom() < panel->view()->geometry().top());
    QCOMPARE(harness_->ui.hint_dismissals, 0);
  }

  void closingItInOnePanelClosesItInAll() {
    harness_->ui.tree_hint = true;
    auto first = harness_->makePanel();
    auto second = harness_->makePanel();
    QVERIFY(first->hint() != nullptr && second->hint() != nullptr);
    second->hint()->closeButton()->click();
    QVERIFY(first->hint() == nullptr);
    QVERIFY(second->hint() == nullptr);
    QCOMPARE(harness_->ui.hint_dismissals, 1);
  }

  void noHintWhenTheHostDoesNotWantOne() {
    auto panel = harness_->makePanel();
    QVERIFY(panel->hint() == nullptr);
  }

  // Tab from the tree reaches the close button; Space closes the hint and
  // the focus goes back to the tree.
  void closedByKeyboard() {
    harness_->ui.tree_hint = true;
    auto panel = harness_->makePanel();
    QVERIFY(panel->loadTree());
    panel->resize(240, 300);
    panel->show();
    QApplication::setActiveWindow(panel.get());
    QVERIFY(QTest::qWaitForWindowActive(panel.get()));
    panel->view()->setFocus();
    QTRY_VERIFY(panel->view()->hasFocus());
    QVERIFY(panel->hint() != nullptr);
    QToolButton* close = panel->hint()->closeButton();
    for (int i = 0; i < 4 && !close->hasFocus(); ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(close->hasFocus());
    QTest::keyClick(close, Qt::Key_Space);
    QVERIFY(panel->hint() == nullptr);
    QCOMPARE(harness_->ui.hint_dismissals, 1);
    QTRY_VERIFY(panel->view()->hasFocus());
  }

 private:
  std::unique_ptr<PanelHarness> harness_;
};

QTEST_MAIN(PanelHintTest)
#include "panel_hint_test.moc"
