// Painting of the tree panel, checked on rendered pictures: highlight
// colours per focus and selection, the item-count box, label extents and
// tooltips, and a panel made from empty settings.
#include <QApplication>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QStyleOptionViewItem>
#include <QTest>

#include "library/library_file.h"
#include "tree/panel_settings.h"
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

// A paint device that keeps the texts drawn on it, with where each starts:
// what the delegate paints, read back as text.
class TextRecorder : public QPaintDevice {
 public:
  struct Text {
    QString text;
    qreal x;
  };

  TextRecorder() : engine_(*this) {}
  ~TextRecorder() override = default;
  QPaintEngine* paintEngine() const override { return &engine_; }
  std::vector<Text> texts;

 protected:
  int metric(PaintDeviceMetric metric) const override {
    switch (metric) {
      case PdmWidth: return 400;
      case PdmHeight: return 40;
      case PdmDpiX:
      case PdmDpiY:
      case PdmPhysicalDpiX:
      case PdmPhysicalDpiY: return 96;
      case PdmDevicePixelRatio: return 1;
      case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
      case PdmDepth: return 32;
      default: return 0;
    }
  }

 private:
  class Engine : public QPaintEngine {
   public:
    explicit Engine(TextRecorder& recorder) : QPaintEngine(QPaintEngine::AllFeatures), recorder_(recorder) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF& at, const QTextItem& item) override {
      recorder_.texts.push_back({item.text(), at.x()});
    }
    Type type() const override { return QPaintEngine::User; }

   private:
    TextRecorder& recorder_;
  };
  mutable Engine engine_;
};

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

  void edgeStyles_data() {
    QTest::addColumn<int>("edge");
    QTest::addColumn<QColor>("corner");
    QTest::newRow("none") << int(tree::kEdgeNone) << QColor(0xFA, 0xFA, 0xFA);
    QTest::newRow("grey") << int(tree::kEdgeGrey) << QColor(160, 160, 160);
  }
  void edgeStyles() {
    QFETCH(int, edge);
    QFETCH(QColor, corner);
    tree::PanelSettings settings = tree::PanelSettings::defaults(ui::uiAttributes(harness_->ui));
    settings.edge_style = edge;
    panel_ = harness_->makePanel(tree::writePanelSettings(settings));
    panel_->resize(200, 100);
    panel_->show();
    const QImage image = render(*panel_, "edge");
    QCOMPARE(image.pixelColor(0, 0), corner);
    QCOMPARE(image.pixelColor(199, 99), corner);
  }

  void nodeColoursOfTheirOwn() {
    panel_ = harness_->makePanel();
    QVERIFY(panel_->panel().open());
    tree::FolderNode* folder = PanelHarness::addFolder(panel_->panel(), "Coloured");
    tree::NodeAttributes& own = *folder->attributes();
    own.use_parent = false;
    own.text = 0x000000FF;  // red
    own.back = 0x0000FFFF;  // yellow
    panel_->panel().save(*folder);
    panel_->panel().control().select(nullptr);
    panel_->resize(300, 120);
    panel_->show();
    render(*panel_, "colours");
    const QImage image = render(*panel_, "colours");
    const QRect row = panel_->view()->visualRect(panel_->model()->indexOf(folder->item()));
    // The item's text area in its background colour, the label in red.
    QCOMPARE(image.pixelColor(inPanel(*panel_, QPoint(folder->labelExtent() + 1, row.top() + 1))), QColor(Qt::yellow));
    bool red = false;
    for (int x = folder->labelExtent() - 30; x < folder->labelExtent(); ++x) {
      for (int y = row.top(); y <= row.bottom(); ++y) {
        if (image.pixelColor(inPanel(*panel_, QPoint(x, y))) == QColor(Qt::red)) red = true;
      }
    }
    QVERIFY(red);
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

  // The number painted in each kind of count box, read from the painting:
  // A has two subitems (x, y) and three leaves (x/1, x/2, y/1).
  void eachCountPaintsItsOwnNumber_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("painted");
    QTest::newRow("subitems") << int(tree::kShowSubitems) << QStringList{"(", "2", ")", "A"};
    QTest::newRow("leaves") << int(tree::kShowLeaves) << QStringList{"[", "3", "]", "A"};
    QTest::newRow("none") << int(tree::kShowNoCount) << QStringList{"A"};
  }
  void eachCountPaintsItsOwnNumber() {
    QFETCH(int, mode);
    QFETCH(QStringList, painted);
    panel_ = harness_->makePanel();
    QVERIFY(panel_->panel().open());
    tree::QueryNode* query = PanelHarness::addQuery(
        panel_->panel(),
        "SELECT 'A','x','1' UNION ALL SELECT 'A','x','2' UNION ALL SELECT 'A','y','1' UNION ALL SELECT 'B','x','1'",
        {"a", "b", "c"}, nullptr, "Counts");
    query->levelOption(0)->show_item_count = static_cast<uint8_t>(mode);
    QVERIFY(query->refresh(false));
    panel_->panel().expandNode(*query, true);
    panel_->resize(320, 200);
    panel_->show();
    QApplication::processEvents();
    const tree::TreeItem* a = query->item()->child(0);
    const auto* a_node = static_cast<const tree::QueryResultNode*>(a->node());
    QCOMPARE(a_node->subitemCount(), 2u);
    QCOMPARE(a_node->leafCount(), 3u);

    const QModelIndex index = panel_->model()->indexOf(a);
    QStyleOptionViewItem option;
    option.initFrom(panel_->view());
    option.font = panel_->view()->font();
    option.rect = panel_->view()->visualRect(index);
    TextRecorder recorder;
    {
      QPainter painter(&recorder);
      panel_->view()->itemDelegate()->paint(&painter, option, index);
    }
    QStringList texts;
    for (const TextRecorder::Text& text : recorder.texts) texts << text.text;
    QCOMPARE(texts, painted);
    // Left to right: bracket, number, bracket, label.
    for (std::size_t i = 1; i < recorder.texts.size(); ++i) QVERIFY(recorder.texts[i].x > recorder.texts[i - 1].x);
  }

  // A query node that has not run says how to run it; all query nodes say
  // what a click and a middle click do.
  void queryNodeTooltipSaysHowToRunIt() {
    panel_ = harness_->makePanel();
    QVERIFY(panel_->panel().open());
    tree::QueryNode* query = PanelHarness::addQuery(panel_->panel(), "SELECT 'a'", {"a"}, nullptr, "Fresh");
    query->definition().click = {tree::kSendToTarget, "Vostrel playlist", true, false, false};
    query->definition().middle_click.action = tree::kAddToActive;
    tree::QueryNode* on_use = PanelHarness::addQuery(panel_->panel(), "SELECT 'b'", {"b"}, nullptr, "On use");
    on_use->definition().refresh_on_use = true;
    tree::QueryNode* batch_only = PanelHarness::addQuery(panel_->panel(), "", {}, nullptr, "Batch");
    batch_only->definition().sql_batch = "SELECT 1";
    batch_only->definition().click.action = tree::kExecuteSql;
    panel_->resize(300, 200);
    panel_->show();
    render(*panel_, "query_tooltips");
    auto tip = [&](const tree::QueryNode& node) { return panel_->toolTipAt(ui_testing::labelPoint(*panel_, node)); };
    QCOMPARE(tip(*query), QString::fromUtf8("Not run yet: press F5 to run the query and show its levels.\n"
                                            "Click: Send to target playlist \u201CVostrel playlist\u201D\n"
                                            "Middle click: Add to active playlist"));
    QCOMPARE(tip(*on_use), QStringLiteral("Not run yet: expand it or press F5 to run the query and show its levels."));
    QCOMPARE(tip(*batch_only), QStringLiteral("Click: Execute SQL"));
    QVERIFY(query->refresh(true));
    QVERIFY(!tip(*query).contains("Not run yet"));
    QVERIFY(tip(*query).startsWith("Click: "));
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

  // The example tree over the demo library, refreshed, with a few nodes
  // open: a picture to look at, and every result node painted with a label
  // extent inside the view.
  void exampleTreeOnTheDemoLibrary() {
    harness_->host.library = library::loadLibraryFile(PanelHarness::dataDir() + "/demo-library.json").tracks;
    panel_ = harness_->makePanel();
    QVERIFY(panel_->loadTree());
    panel_->runCommand(7, panel_->panel().root());
    tree::TreeNode& root = panel_->panel().root();
    tree::FolderNode* examples = panel_->panel().findFolder(&root, "<Examples>");
    QVERIFY(examples != nullptr);
    tree::FolderNode* library = panel_->panel().findFolder(examples, "Library");
    QVERIFY(library != nullptr);
    panel_->panel().expandNode(*examples, true);
    panel_->panel().expandNode(*library, true);
    for (const char* name : {"Album", "Genre"}) {
      tree::QueryNode* query = panel_->panel().findQuery(library, name);
      QVERIFY(query != nullptr);
      QVERIFY(query->item()->childCount() > 0);
      panel_->panel().expandNode(*query, true);
      tree::TreeItem* first = query->item()->child(0);
      if (first->childCount() > 0) panel_->panel().expandNode(*first->node(), true);
    }
    panel_->resize(340, 560);
    panel_->show();
    render(*panel_, "example_tree");
    const QImage image = render(*panel_, "example_tree");
    QVERIFY(!image.isNull());
  }

 private:
  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<ui::TreePanel> panel_;
};

QTEST_MAIN(TreePanelPaintTest)
#include "tree_panel_paint_test.moc"
