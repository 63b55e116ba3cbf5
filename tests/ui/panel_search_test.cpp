// The search field of a tree panel: where it is, how it is reached, and
// what typing, Esc and the delay do to the panel's nodes.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include "library_tables/library_tables.h"
#include "tree/open_panels.h"
#include "tree/query_result_node.h"
#include "ui/panel_search.h"
#include "ui/panel_tree_view.h"
#include "ui/support/panel_harness.h"

using ui_testing::PanelHarness;

namespace {

// The labels of the result nodes right below `node`, joined by ",".
QString resultLabels(const tree::TreeNode& node) {
  QStringList labels;
  const tree::TreeItem* item = node.item();
  for (std::size_t i = 0; item != nullptr && i < item->childCount(); ++i) {
    labels << QString::fromStdString(item->child(i)->text());
  }
  return labels.join(QLatin1Char(','));
}

}  // namespace

class PanelSearchTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    harness_ = std::make_unique<PanelHarness>();
    harness_->host.library = {testing_support::makeTrack("file:///1.flac", {{"artist", {"Dvořák"}}}),
                              testing_support::makeTrack("file:///2.flac", {{"artist", {"Bach"}}})};
    panel_ = harness_->makePanel();
    QVERIFY(panel_->panel().open());
    panel_->resize(400, 300);
    panel_->show();
    query_ = PanelHarness::addQuery(panel_->panel(), "SELECT artist FROM MediaLibrary ORDER BY artist", {"artist"});
    QVERIFY(query_->refresh(true));
    QCOMPARE(resultLabels(*query_), QStringLiteral("Bach,Dvořák"));
  }
  void cleanup() {
    panel_.reset();
    harness_.reset();
  }

  void fieldSitsAboveTheTreeWithANameAndAPlaceholder() {
    ui::PanelSearch* search = panel_->search();
    QVERIFY(search->isVisible());
    QCOMPARE(search->accessibleName(), QStringLiteral("Search the panel"));
    QVERIFY(!search->placeholderText().isEmpty());
    QVERIFY(search->geometry().bottom() < panel_->view()->geometry().top());
  }

  void ctrlFInTheTreeFocusesTheField() {
    panel_->activateWindow();
    panel_->view()->setFocus();
    QTest::keyClick(panel_->view(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(panel_->search()->hasFocus());
  }

  void typingNarrowsTheNodesAfterTheDelay() {
    QTest::keyClicks(panel_->search(), "dvorak");
    // Nothing runs per keystroke: the text waits for the typing to pause.
    QCOMPARE(resultLabels(*query_), QStringLiteral("Bach,Dvořák"));
    QVERIFY(panel_->search()->timer().isActive());
    QTRY_COMPARE(resultLabels(*query_), QStringLiteral("Dvořák"));
    QCOMPARE(panel_->panel().searchText(), std::string("dvorak"));
  }

  void escapeClearsAndHandsTheFocusToTheTree() {
    panel_->activateWindow();
    panel_->search()->setFocus();
    QTest::keyClicks(panel_->search(), "bach");
    QTRY_COMPARE(resultLabels(*query_), QStringLiteral("Bach"));
    QTest::keyClick(panel_->search(), Qt::Key_Escape);
    QVERIFY(panel_->search()->text().isEmpty());
    QCOMPARE(resultLabels(*query_), QStringLiteral("Bach,Dvořák"));
    QVERIFY(panel_->view()->hasFocus());
  }

  void aKeystrokeStopsTheSearchItMadeObsolete() {
    // Slow over the whole library, quick once Bach is filtered out.
    tree::QueryNode* slow = PanelHarness::addQuery(
        panel_->panel(),
        "SELECT artist FROM MediaLibrary WHERE artist = 'Bach' AND (WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL "
        "SELECT i+1 FROM r WHERE i<20000000) SELECT count(*) FROM r) > 0",
        {"artist"}, nullptr, "Slow");
    panel_->search()->setText(QStringLiteral("dvorak"));
    QTRY_COMPARE(panel_->panel().searchText(), std::string("dvorak"));
    QVERIFY(slow->refresh(true));

    // Clearing runs the slow node over everything; the user types again
    // while it runs.
    bool typed = false;
    bool superseded = false;
    const std::function<void()> pump = harness_->host.on_pump;
    harness_->host.on_pump = [&] {
      tree::Panel& panel = panel_->panel();
      if (!typed && panel.searchRunning() && panel.searchText().empty()) {
        typed = true;
        panel_->search()->setText(QStringLiteral("dvorak"));
        superseded = panel.searchSuperseded();
      }
      pump();
    };
    QElapsedTimer clock;
    clock.start();
    panel_->search()->clear();
    QTRY_VERIFY(typed);
    QTRY_VERIFY(!panel_->panel().searchRunning() && panel_->panel().searchText() == "dvorak");
    harness_->host.on_pump = pump;
    QVERIFY(superseded);
    QVERIFY2(clock.elapsed() < 5000, "the obsolete run went on");
    QCOMPARE(resultLabels(*query_), QStringLiteral("Dvořák"));
    QVERIFY(harness_->host.console.empty());
  }

  void closingThePanelWhileItSearchesIsSafe() {
    tree::QueryNode* slow = PanelHarness::addQuery(
        panel_->panel(),
        "SELECT artist FROM MediaLibrary WHERE artist = 'Bach' AND (WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL "
        "SELECT i+1 FROM r WHERE i<20000000) SELECT count(*) FROM r) > 0",
        {"artist"}, nullptr, "Slow");
    panel_->search()->setText(QStringLiteral("dvorak"));
    QTRY_COMPARE(panel_->panel().searchText(), std::string("dvorak"));
    QVERIFY(slow->refresh(true));
    const std::function<void()> pump = harness_->host.on_pump;
    harness_->host.on_pump = [&] {
      if (panel_ != nullptr && panel_->panel().searchRunning()) panel_.reset();
      pump();
    };
    // Esc clears the field and searches at once; the window goes meanwhile.
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(panel_->search(), Qt::Key_Escape);
    harness_->host.on_pump = pump;
    QVERIFY(panel_ == nullptr);
    QVERIFY2(clock.elapsed() < 5000, "the search went on without its window");
    // Its tree::Panel goes once the run has unwound.
    QTRY_COMPARE(tree::OpenPanels::instance().panels().size(), std::size_t{0});
  }

 private:
  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<ui::TreePanel> panel_;
  tree::QueryNode* query_ = nullptr;
};

QTEST_MAIN(PanelSearchTest)
#include "panel_search_test.moc"
