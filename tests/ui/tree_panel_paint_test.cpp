// Painting of the tree panel, checked on rendered pictures: highlight
// colours per focus and selection, the item-count box, label extents and
// tooltips, and a panel made from empty settings.
#include <QApplication>
#include <QImage>
#include <QTest>

#include "tree/query_result_node.h"
#include "ui/icon_list.h"
#include "ui/panel_attributes.h"
#include "ui/panel_tree_view.h"
#include "ui/support/panel_harness.h"
#include "ui/tree_delegate.h"
#include "ui/tree_model.h"

using ui_testing::PanelHarness;

namespace {

// Renders the panel; with VOSTREL_SHOTS set, also saves it there.
QImage render(ui::TreePanel& panel, const char* name) {
  QApplication::processEvents();
  QImage image = panel.grab().toImage();
  if (const char* dir = std::getenv("VOSTREL_SHOTS")) image.save(QString::fromUtf8(dir) + "/" + name + ".png");
  return image;
}

// The point of the view's viewport at `pos`, in panel coordinates.
QPoint inPanel(ui::TreePanel& panel, QPoint pos) { return panel.view()->viewport()->mapTo(&panel, pos); }

std::string countsQuery() {
  // Level 1: "A" with 7 values, "B" with 1234.
  return "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<1241) "
         "SELECT CASE WHEN i<=7 THEN 'A' ELSE 'B' END, 'V'||i FROM r ORDER BY 1, i";
}

}  // namespace

class TreePanelPaintTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { harness_ = std::make_unique<PanelHarness>(); }
  void cleanup() {
    panel_.reset();
    harness_.reset();
  }

  void emptySettingsFollowTheUi() {
    panel_ = harness_->makePanel();
    const tree::PanelSettings& s = panel_->panel().settings();
    QCOMPARE(s.edge_style, tree::kEdgeSunken);
    QCOMPARE(s.use_ui_attributes, uint8_t{1});
    QCOMPARE(s.icon, uint16_t{194});
    QCOMPARE(ui::toQColor(s.back), harness_->ui.colours[3]);
    QCOMPARE(ui::toQColor(s.back_selected), harness_->ui.colours[4]);
    QCOMPARE(panel_->view()->font().family(), harness_->ui.font.family());
    QCOMPARE(panel_->panel().rootNodeId(), 0);
    QVERIFY(panel_->loadTree());
    QVERIFY(panel_->panel().rootNodeId() != 0);  // made on first need
    panel_->resize(300, 360);
    panel_->show();
    const QImage image = render(*panel_, "empty_settings");
    // A sunken edge: the top-left corner is not the background colour;
    // inside the margin it is.
    QVERIFY(image.pixelColor(0, 0) != harness_->ui.colours[3]);
    QCOMPARE(image.pixelColor(3, 3), harness_->ui.colours[3]);
    // The example folder shows icon 194.
    const tree::TreeItem* examples = panel_->panel().control().top()->child(0);
    QCOMPARE(examples->node()->attributes()->icon, uint16_t{194});
    QCOMPARE(ui::IconList::instance().size(), std::size_t{447});
  }

  void highlightColourPerState_data() {
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("focused");
    QTest::addColumn<int>("uiColour");
    QTest::newRow("selected with focus") << true << true << 4;
    QTest::newRow("selected without focus") << true << false << 5;
    QTest::newRow("not selected, focus") << false << true << 3;
    QTest::newRow("not selected") << false << false << 3;
  }
  void highlightColourPerState() {
    QFETCH(bool, selected);
    QFETCH(bool, focused);
    QFETCH(int, uiColour);
    panel_ = harness_->makePanel();
    QVERIFY(panel_->loadTree());
    panel_->resize(300, 300);
    panel_->show();
    QApplication::setActiveWindow(panel_.get());
    QVERIFY(QTest::qWaitForWindowActive(panel_.get()));
    tree::TreeItem* item = panel_->panel().control().top()->child(0);
    panel_->panel().control().select(selected ? item : nullptr);
    if (focused) {
      panel_->view()->setFocus();
    } else {
      panel_->view()->clearFocus();
    }
    render(*panel_, "state");  // paints, storing the label extent
    const QImage image = render(*panel_, selected ? (focused ? "selected_focus" : "selected_nofocus") : "plain");
    const QRect row = panel_->view()->visualRect(panel_->model()->indexOf(item));
    const int extent = item->node()->labelExtent();
    QVERIFY(extent > row.left());
    // Inside the highlight, 3 pixels right of the label's end (it reaches 5).
    const QPoint probe = inPanel(*panel_, QPoint(extent + 3, row.top() + 1));
    QCOMPARE(image.pixelColor(probe), harness_->ui.colours[static_cast<std::size_t>(uiColour)]);
    // Beyond the highlight, the background.
    const QPoint outside = inPanel(*panel_, QPoint(extent + 7, row.top() + 1));
    QCOMPARE(image.pixelColor(outside), harness_->ui.colours[3]);
  }

  void itemCountsShareOneBox() {
    panel_ = harness_->makePanel();
    QVERIFY(panel_->panel().open());
    tree::QueryNode* query = PanelHarness::addQuery(panel_->panel(), countsQuery(), {"g", "v"}, nullptr, "Counts");
    query->levelOption(0)->show_item_count = tree::kShowSubitems;
    QVERIFY(query->refresh(false));
    panel_->panel().expandNode(*query, true);
    panel_->resize(320, 200);
    panel_->show();
    render(*panel_, "counts");
    const tree::TreeItem* a = query->item()->child(0);
    const tree::TreeItem* b = query->item()->child(1);
    QCOMPARE(QString::fromStdString(a->node()->label()), QStringLiteral("A"));
    QCOMPARE(static_cast<const tree::QueryResultNode*>(b->node())->subitemCount(), 1234u);
    const QFontMetrics metrics(panel_->view()->font());
    const int a_left = a->node()->labelExtent() - metrics.horizontalAdvance("A");
    const int b_left = b->node()->labelExtent() - metrics.horizontalAdvance("B");
    QCOMPARE(a_left, b_left);
    const QRect row = panel_->view()->visualRect(panel_->model()->indexOf(a));
    const int text_left = row.left() + ui::kIconSize + ui::kIconGap;
    QCOMPARE(a_left, text_left + 4 + metrics.horizontalAdvance("(") + metrics.horizontalAdvance("1234") +
                         metrics.horizontalAdvance(")") + 8);
  }

  void labelsWithoutCountStartTwoPixelsIn() {
    panel_ = harness_->makePanel();
    QVERIFY(panel_->panel().open());
    tree::FolderNode* folder = PanelHarness::addFolder(panel_->panel(), "Plain");
    panel_->resize(300, 200);
    panel_->show();
    render(*panel_, "plain_label");
    const QRect row = panel_->view()->visualRect(panel_->model()->indexOf(folder->item()));
    const QFontMetrics metrics(panel_->view()->font());
    QCOMPARE(static_cast<int>(folder->labelExtent()),
             row.left() + ui::kIconSize + ui::kIconGap + 2 + metrics.horizontalAdvance("Plain"));
  }

  void tooltipOnlyForLabelsCutOff_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("tip");
    QTest::newRow("fits") << "Short" << false;
    QTest::newRow("cut off") << "A label far too long to fit into this narrow panel" << true;
  }
  void tooltipOnlyForLabelsCutOff() {
    QFETCH(QString, label);
    QFETCH(bool, tip);
    panel_ = harness_->makePanel();
    QVERIFY(panel_->panel().open());
    tree::FolderNode* folder = PanelHarness::addFolder(panel_->panel(), label.toStdString());
    panel_->resize(160, 120);
    panel_->show();
    render(*panel_, "tooltip");
    const QPoint at = ui_testing::labelPoint(*panel_, *folder);
    QCOMPARE(panel_->toolTipAt(at), tip ? label : QString());
  }

  void staleQueryNodesWithResultsAreItalic() {
    panel_ = harness_->makePanel();
    QVERIFY(panel_->panel().open());
    tree::QueryNode* query = PanelHarness::addQuery(panel_->panel(), "SELECT 1", {"one"});
    const QFont base = panel_->view()->font();
    QVERIFY(!ui::TreeDelegate::nodeFont(*query, base).italic());  // never ran
    QVERIFY(query->refresh(false));
    query->setTablesRead(tree::kReadsMediaLibrary);
    QVERIFY(!ui::TreeDelegate::nodeFont(*query, base).italic());
    panel_->markStale(tree::kReadsPlaylist);
    QVERIFY(!ui::TreeDelegate::nodeFont(*query, base).italic());
    panel_->markStale(tree::kReadsMediaLibrary);
    QVERIFY(ui::TreeDelegate::nodeFont(*query, base).italic());
  }

 private:
  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<ui::TreePanel> panel_;
};

QTEST_MAIN(TreePanelPaintTest)
#include "tree_panel_paint_test.moc"
