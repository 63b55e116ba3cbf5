// The "Query" sheet driven through its widgets: when OK may be pressed,
// what Apply keeps of the text and of the levels, the failed OK that stays
// open, the node limit, the action controls per code, the level dialog, the
// batch buttons, the preview and Cancel.
#include <limits>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "tree/query_node.h"
#include "ui/action_page.h"
#include "ui/advanced_page.h"
#include "ui/batch_page.h"
#include "ui/color_button.h"
#include "ui/node_attributes_box.h"
#include "ui/query_node_property_sheet.h"
#include "ui/query_page.h"
#include "ui/query_result_node_dialog.h"
#include "ui/result_model.h"
#include "ui/support/dialog_driving.h"
#include "ui/support/panel_harness.h"

using ui::QueryNodePropertySheetDialog;
using ui_testing::PanelHarness;
using ui_testing::typeInto;

class QueryNodeSheetTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    harness_ = std::make_unique<PanelHarness>();
    window_ = harness_->makePanel();
    QVERIFY(window_->loadTree());
    node_ = PanelHarness::addQuery(panel(), "SELECT 1 AS a, 2 AS b", {"a", "b"}, nullptr, "Numbers");
    QVERIFY(node_ != nullptr);
  }
  void cleanup() {
    ui::ColorButton::setChooserForTests({});
    window_.reset();
    harness_.reset();
  }

  void okNeedsALabelAndAQueryOrABatch_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("batch");
    QTest::addColumn<bool>("ok");
    QTest::newRow("label and query") << "Q" << "SELECT 1 AS a" << "" << true;
    QTest::newRow("no query but a batch") << "Q" << "" << "CREATE TEMP TABLE t(x)" << true;
    QTest::newRow("neither query nor batch") << "Q" << "" << "" << false;
    QTest::newRow("blanks and a semicolon") << "Q" << "  ;\n" << " \n" << false;
    QTest::newRow("blank label") << "   " << "SELECT 1 AS a" << "" << false;
  }
  void okNeedsALabelAndAQueryOrABatch() {
    QFETCH(QString, label);
    QFETCH(QString, sql);
    QFETCH(QString, batch);
    QFETCH(bool, ok);
    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    typeInto(sheet.mainPage().labelEdit(), label);
    typeInto(sheet.queryPage().editor(), sql);
    typeInto(sheet.batchPage().editor(), batch);
    QCOMPARE(sheet.okButton().isEnabled(), ok);
    QTest::mouseClick(&sheet.okButton(), Qt::LeftButton);
    QCOMPARE(sheet.result() == QDialog::Accepted, ok);
    if (ok) {
      QCOMPARE(QString::fromStdString(node_->definition().sql_batch), batch);
      QCOMPARE(QString::fromStdString(node_->definition().sql_query), sql);
    }
  }

  void applyKeepsTheLastStatementTrimmed_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QStringList>("levels");
    QTest::newRow("two statements") << "SELECT 1 AS a;\nSELECT 2 AS b, 3 AS c" << "SELECT 2 AS b, 3 AS c"
                                    << QStringList{"b", "c"};
    QTest::newRow("semicolon and line feed") << "SELECT 1 AS x, 2 AS y;\n" << "SELECT 1 AS x, 2 AS y"
                                             << QStringList{"x", "y"};
  }
  void applyKeepsTheLastStatementTrimmed() {
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(QStringList, levels);
    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    ui::QueryPage& page = sheet.queryPage();
    QVERIFY(!page.applyButton()->isEnabled());
    typeInto(page.editor(), typed);
    QVERIFY(page.applyButton()->isEnabled() && page.revertButton()->isEnabled());
    QTest::mouseClick(page.applyButton(), Qt::LeftButton);
    QCOMPARE(page.editor()->text(), kept);
    QVERIFY(!page.applyButton()->isEnabled() && !page.revertButton()->isEnabled());
    QCOMPARE(levelNames(page), levels);
    QCOMPARE(page.levelList()->item(1, 0)->text(), QStringLiteral("2"));
    QCOMPARE(page.selectedLevel(), 0);
    QVERIFY(harness_->host.boxes.empty());
  }

  void revertBringsBackTheAppliedText() {
    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    ui::QueryPage& page = sheet.queryPage();
    typeInto(page.editor(), QStringLiteral("SELECT 5 AS five"));
    QTest::mouseClick(page.revertButton(), Qt::LeftButton);
    QCOMPARE(page.editor()->text(), QStringLiteral("SELECT 1 AS a, 2 AS b"));
    QVERIFY(!page.revertButton()->isEnabled());
    QCOMPARE(levelNames(page), (QStringList{"a", "b"}));
  }

  // Below level 253 only two levels remain: Apply says so and the sheet
  // refuses OK until the statement fits.
  void tooManyColumnsKeepsTheSheetOpen() {
    tree::QueryNode deep(&panel(), &panel().root());
    deep.setLabel("Deep");
    deep.setLevel(253);
    QueryNodePropertySheetDialog sheet(deep);
    sheet.show();
    typeInto(sheet.queryPage().editor(), QStringLiteral("SELECT 1 AS a, 2 AS b, 3 AS c"));
    sheet.setCurrentPage(QueryNodePropertySheetDialog::kAdvancedPage);
    QTest::mouseClick(&sheet.okButton(), Qt::LeftButton);
    QVERIFY(sheet.isVisible());
    QCOMPARE(sheet.result(), int{QDialog::Rejected});
    QCOMPARE(sheet.currentPage(), int{QueryNodePropertySheetDialog::kQueryPage});
    QCOMPARE(harness_->host.boxes,
             (std::vector<std::string>{"Too many columns for the query:\n\nSELECT 1 AS a, 2 AS b, 3 AS c"}));
    QCOMPARE(levelNames(sheet.queryPage()), (QStringList{"a", "b"}));
    QCOMPARE(QApplication::focusWidget(), sheet.queryPage().editor());

    typeInto(sheet.queryPage().editor(), QStringLiteral("SELECT 1 AS a, 2 AS b"));
    QTest::mouseClick(&sheet.okButton(), Qt::LeftButton);
    QCOMPARE(sheet.result(), int{QDialog::Accepted});
    QCOMPARE(deep.levelCount(), std::size_t{2});
  }

  void invalidSqlKeepsTheSheetOpen_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("message");
    QTest::newRow("syntax") << "SELEC 1" << "syntax error";
    QTest::newRow("no columns") << "CREATE TEMP TABLE t(x)" << "Invalid query statement:\n\nCREATE TEMP TABLE t(x)";
  }
  void invalidSqlKeepsTheSheetOpen() {
    QFETCH(QString, sql);
    QFETCH(QString, message);
    const tree::QueryDefinition before = node_->definition();
    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    typeInto(sheet.queryPage().editor(), sql);
    sheet.setCurrentPage(QueryNodePropertySheetDialog::kMainPage);
    QTest::mouseClick(&sheet.okButton(), Qt::LeftButton);
    QVERIFY(sheet.isVisible());
    QCOMPARE(sheet.currentPage(), int{QueryNodePropertySheetDialog::kQueryPage});
    QCOMPARE(harness_->host.boxes.size(), std::size_t{1});
    QVERIFY2(QString::fromStdString(harness_->host.boxes[0]).contains(message), harness_->host.boxes[0].c_str());
    QCOMPARE(sheet.queryPage().editor()->text(), sql);
    // Given up: the node is as it was.
    QTest::mouseClick(&sheet.cancelButton(), Qt::LeftButton);
    QCOMPARE(node_->definition(), before);
  }

  void renamedSecondColumnKeepsTheFirstLevelsColours() {
    tree::QueryResultNodeOption& first = *node_->levelOption(0);
    first.attributes.use_parent = false;
    first.attributes.text = 0x123456;
    first.attributes.icon = 7;
    first.show_item_count = tree::kShowLeaves;
    node_->levelOption(1)->attributes.use_parent = false;
    node_->levelOption(1)->attributes.back = 0x654321;
    const tree::QueryResultNodeOption kept = first;

    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    typeInto(sheet.queryPage().editor(), QStringLiteral("SELECT 1 AS a, 2 AS renamed"));
    QTest::mouseClick(sheet.queryPage().applyButton(), Qt::LeftButton);
    QCOMPARE(*node_->levelOption(0), kept);
    const tree::QueryResultNodeOption& second = *node_->levelOption(1);
    QCOMPARE(second.name, std::string("renamed"));
    QVERIFY(second.attributes.use_parent);
    QCOMPARE(second.show_item_count, uint8_t{tree::kShowNoCount});
    QCOMPARE(second.attributes.back, kept.attributes.back);  // inherited from level 1
  }

  void nodeLimitField_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<qint64>("stored");
    const qint64 none = std::numeric_limits<uint32_t>::max();
    QTest::newRow("empty") << "" << none;
    QTest::newRow("zero") << "0" << none;
    QTest::newRow("a number") << "1234" << qint64{1234};
    QTest::newRow("letters are not taken") << "12ab" << qint64{12};
    QTest::newRow("beyond 32 bits") << "99999999999" << none;
  }
  void nodeLimitField() {
    QFETCH(QString, typed);
    QFETCH(qint64, stored);
    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    QCOMPARE(sheet.advancedPage().limitEdit()->text(), QStringLiteral("50000"));
    typeInto(sheet.advancedPage().limitEdit(), typed);
    QTest::mouseClick(&sheet.okButton(), Qt::LeftButton);
    QCOMPARE(sheet.result(), int{QDialog::Accepted});
    QCOMPARE(qint64{node_->definition().node_limit}, stored);
  }

  void actionControlsPerCode_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    // target playlist, activate playlist, select items, start playback
    QTest::addColumn<QString>("enabled");
    const char* rows[][2] = {
        {"- No action -", "...."},           {"Add to active playlist", "..ss"},
        {"Add to playing playlist", ".ass"}, {"Add to target playlist", "tass"},
        {"Insert into active playlist", "..ss"}, {"Insert into playing playlist", ".ass"},
        {"Insert into target playlist", "tass"}, {"Send to active playlist", "..ss"},
        {"Send to playing playlist", ".ass"},    {"Send to target playlist", "tass"},
        {"Execute SQL", "...."},             {"Send to Vostrel console", "...."},
    };
    for (int code = 0; code < 12; ++code) {
      QTest::newRow(rows[code][0]) << code << rows[code][0] << rows[code][1];
    }
  }
  void actionControlsPerCode() {
    QFETCH(int, code);
    QFETCH(QString, text);
    QFETCH(QString, enabled);
    harness_->host.createPlaylist("Rock");
    harness_->host.createPlaylist("Jazz");
    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    ui::ActionPage& page = sheet.actionPage();
    sheet.setCurrentPage(QueryNodePropertySheetDialog::kActionPage);
    QCOMPARE(page.targetBox(ui::ActionPage::kClick)->count(), 2);
    QCOMPARE(page.targetBox(ui::ActionPage::kClick)->itemText(1), QStringLiteral("Jazz"));
    for (auto button : {ui::ActionPage::kClick, ui::ActionPage::kMiddleClick}) {
      ui_testing::pickEntry(page.actionBox(button), code);
      QCOMPARE(page.actionBox(button)->currentText(), text);
      const QString shown = QString(page.targetBox(button)->isEnabled() ? "t" : ".") +
                            (page.activateBox(button)->isEnabled() ? "a" : ".") +
                            (page.selectBox(button)->isEnabled() ? "s" : ".") +
                            (page.playBox(button)->isEnabled() ? "s" : ".");
      QCOMPARE(shown, enabled);
    }
    QTest::mouseClick(&sheet.okButton(), Qt::LeftButton);
    QCOMPARE(int{node_->definition().click.action}, code);
    QCOMPARE(int{node_->definition().middle_click.action}, code);
  }

  void actionValuesReachTheNode() {
    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    ui::ActionPage& page = sheet.actionPage();
    ui_testing::pickEntry(page.actionBox(ui::ActionPage::kMiddleClick), tree::kSendToTarget);
    typeInto(page.targetBox(ui::ActionPage::kMiddleClick)->lineEdit(), QStringLiteral("Mine"));
    ui_testing::clickBox(page.playBox(ui::ActionPage::kMiddleClick));
    ui_testing::clickBox(page.activateBox(ui::ActionPage::kMiddleClick));
    ui_testing::clickBox(sheet.advancedPage().omitNullBox());
    ui_testing::clickBox(sheet.advancedPage().refreshOnUseBox());
    QTest::mouseClick(&sheet.okButton(), Qt::LeftButton);
    const tree::NodeAction& action = node_->definition().middle_click;
    QCOMPARE(action, (tree::NodeAction{tree::kSendToTarget, "Mine", false, false, true}));
    QVERIFY(node_->definition().omit_null_nodes && node_->definition().refresh_on_use);
    QVERIFY(!node_->definition().refresh_on_load);
  }

  // The level dialog: the item count changes at once, Cancel takes it back,
  // and OK with the flag set copies the query node's colours and icon.
  void levelDialog_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("ok");
    QTest::newRow("Leaves, OK") << int{tree::kShowLeaves} << true;
    QTest::newRow("Subitems, OK") << int{tree::kShowSubitems} << true;
    QTest::newRow("Leaves, Cancel") << int{tree::kShowLeaves} << false;
  }
  void levelDialog() {
    QFETCH(int, count);
    QFETCH(bool, ok);
    node_->attributes()->text = 0x0000FF;
    node_->attributes()->icon = 12;
    tree::QueryResultNodeOption& first = *node_->levelOption(0);
    first.attributes.use_parent = false;
    first.attributes.text = 0x00FF00;
    const tree::QueryResultNodeOption before = first;
    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    ui::QueryPage& page = sheet.queryPage();
    int while_open = -1;
    QString name;
    ui_testing::whenModal<ui::QueryResultNodeDialog>([&](ui::QueryResultNodeDialog& dialog) {
      name = dialog.attributesBox().labelEdit()->text();
      QVERIFY(dialog.attributesBox().labelEdit()->isReadOnly());
      QVERIFY(dialog.attributesBox().colourButton(0)->isEnabled());
      ui_testing::clickBox(dialog.countButton(count));
      while_open = node_->levelOption(0)->show_item_count;
      ui_testing::clickBox(dialog.attributesBox().useParentBox());
      QVERIFY(!dialog.attributesBox().colourButton(0)->isEnabled());
      if (ok) {
        QTest::mouseClick(&dialog.okButton(), Qt::LeftButton);
      } else {
        dialog.reject();
      }
    });
    sheet.setCurrentPage(QueryNodePropertySheetDialog::kQueryPage);
    QCoreApplication::processEvents();
    const QRect row = page.levelList()->visualRect(page.levelList()->model()->index(0, 1));
    QTest::mouseClick(page.levelList()->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    QTest::mouseDClick(page.levelList()->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    QCOMPARE(name, QStringLiteral("a"));
    QCOMPARE(while_open, count);
    const tree::QueryResultNodeOption& after = *node_->levelOption(0);
    if (ok) {
      QCOMPARE(int{after.show_item_count}, count);
      QVERIFY(after.attributes.use_parent);
      QCOMPARE(after.attributes.text, tree::Colour{0x0000FF});
      QCOMPARE(after.attributes.icon, uint16_t{12});
    } else {
      QCOMPARE(after, before);
    }
  }

  // By itself (before the sheet runs the inheritance along the levels) OK
  // with the flag set takes the query node's colours and icon, whatever
  // level it edits.
  void levelDialogOkWithTheFlagTakesTheQueryNodesColours() {
    node_->attributes()->back_selected = 0x0000FF;
    node_->attributes()->icon = 12;
    node_->levelOption(0)->attributes.back_selected = 0x00FF00;
    tree::QueryResultNodeOption& second = *node_->levelOption(1);
    second.attributes.use_parent = false;
    second.attributes.back_selected = 0xFF0000;
    ui::QueryResultNodeDialog dialog(*node_, 1);
    dialog.show();
    ui_testing::clickBox(dialog.attributesBox().useParentBox());
    QTest::mouseClick(&dialog.okButton(), Qt::LeftButton);
    QVERIFY(second.attributes.use_parent);
    QCOMPARE(second.attributes.back_selected, tree::Colour{0x0000FF});
    QCOMPARE(second.attributes.icon, uint16_t{12});
  }

  void batchButtons() {
    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    ui::BatchPage& page = sheet.batchPage();
    QVERIFY(!page.validateButton()->isEnabled() && !page.executeButton()->isEnabled() &&
            !page.consoleButton()->isEnabled());
    typeInto(page.editor(), QStringLiteral("CREATE TEMP TABLE made(x) oops"));
    QTest::mouseClick(page.validateButton(), Qt::LeftButton);
    QCOMPARE(harness_->host.boxes.size(), std::size_t{1});
    QCOMPARE(page.editor()->text(), QStringLiteral("CREATE TEMP TABLE made(x) oops"));

    const QString batch = QStringLiteral("CREATE TEMP TABLE made(x);\nCREATE TEMP TABLE other(y)");
    typeInto(page.editor(), "\n" + batch + " ;\n");
    QTest::mouseClick(page.validateButton(), Qt::LeftButton);
    QCOMPARE(harness_->host.boxes.size(), std::size_t{1});
    QCOMPARE(page.editor()->text(), batch);
    const std::string made = "SELECT name FROM sqlite_temp_master WHERE name IN ('made', 'other')";
    QVERIFY(!panel().database().HasRows(made));

    QTest::mouseClick(page.executeButton(), Qt::LeftButton);
    QVERIFY(panel().database().HasRows(made + " AND name = 'other'"));
    QVERIFY(page.executeButton()->isEnabled());

    QTest::mouseClick(page.consoleButton(), Qt::LeftButton);
    QCOMPARE(harness_->console_sql,
             (std::vector<std::string>{batch.toStdString()}));
  }

  // The preview runs the statement for a look and leaves the node, its
  // result nodes and the stored rows alone.
  void previewDoesNotChangeTheTree() {
    panel().database().Execute(
        "CREATE TABLE nums(a, b);"
        "INSERT INTO nums WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<80) "
        "SELECT i % 3, i FROM r");
    node_->definition().sql_query = "SELECT a, b FROM nums ORDER BY a, b";
    QVERIFY(node_->refresh(false));
    const std::size_t children = node_->item()->childCount();
    QCOMPARE(children, std::size_t{3});
    const tree::QueryDefinition definition = node_->definition();
    const uint32_t results = node_->resultNodeCount();
    const int rows = storedRows();

    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    ui::QueryPage& page = sheet.queryPage();
    QVERIFY(page.previewButton()->isEnabled());
    QTest::mouseClick(page.previewButton(), Qt::LeftButton);
    QCOMPARE(page.previewModel()->rowCount(), 50);
    QCOMPARE(page.previewModel()->columns(), (std::vector<std::string>{"a", "b"}));
    QVERIFY2(page.previewStatus()->text().startsWith("Preview: 50 rows in"), qPrintable(page.previewStatus()->text()));
    QCOMPARE(node_->definition(), definition);
    QCOMPARE(node_->item()->childCount(), children);
    QCOMPARE(node_->resultNodeCount(), results);
    QCOMPARE(storedRows(), rows);
    QTest::mouseClick(&sheet.cancelButton(), Qt::LeftButton);
    QCOMPARE(node_->definition(), definition);
  }

  // "Preview" turns into "Stop" while the statement runs, and stops it; OK
  // meanwhile stops it too and then closes the sheet.
  void previewCanBeStopped_data() {
    QTest::addColumn<bool>("ok");
    QTest::newRow("Stop") << false;
    QTest::newRow("OK") << true;
  }
  void previewCanBeStopped() {
    QFETCH(bool, ok);
    node_->definition().sql_query = ui_testing::slowQuery();
    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    QPushButton* button = sheet.queryPage().previewButton();
    QString while_running;
    QTimer::singleShot(100, button, [&] {
      while_running = button->text();
      if (!ok) {
        QTest::mouseClick(button, Qt::LeftButton);
        return;
      }
      // An edit meanwhile: OK has to apply it on the busy connection.
      typeInto(sheet.queryPage().editor(), QString::fromStdString(ui_testing::slowQuery()) + " ");
      QTest::mouseClick(&sheet.okButton(), Qt::LeftButton);
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(while_running, QStringLiteral("Stop"));
    QCOMPARE(button->text(), QStringLiteral("Preview"));
    QVERIFY2(sheet.queryPage().previewStatus()->text().startsWith("Preview aborted after "),
             qPrintable(sheet.queryPage().previewStatus()->text()));
    QVERIFY(!panel().database().IsBusy());
    if (ok) QTRY_COMPARE(sheet.result(), int{QDialog::Accepted});
    QCOMPARE(sheet.isVisible(), !ok);
  }

  void applyPreviewsTheNewStatement() {
    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    ui::QueryPage& page = sheet.queryPage();
    typeInto(page.editor(), QStringLiteral("SELECT 'x' AS only"));
    QTest::mouseClick(page.applyButton(), Qt::LeftButton);
    QCOMPARE(page.previewModel()->rowCount(), 1);
    QCOMPARE(page.previewModel()->cellText(0, 1), QStringLiteral("x"));
  }

  // Cancel leaves nothing in the node: neither chosen colours nor the
  // levels that Apply rebuilt.
  void cancelLeavesTheNodeAsItWas() {
    const tree::QueryDefinition definition = node_->definition();
    const tree::NodeAttributes attributes = *node_->attributes();
    ui::ColorButton::setChooserForTests([](QWidget*, QColor) { return QColor(10, 20, 30); });
    QueryNodePropertySheetDialog sheet(*node_);
    sheet.show();
    ui_testing::clickBox(sheet.mainPage().useParentBox());
    QVERIFY(sheet.mainPage().colourButton(3)->isEnabled());
    QTest::mouseClick(sheet.mainPage().colourButton(3), Qt::LeftButton);
    QCOMPARE(node_->attributes()->back_selected, tree::Colour{0x1E140A});
    typeInto(sheet.mainPage().labelEdit(), QStringLiteral("Other"));
    typeInto(sheet.queryPage().editor(), QStringLiteral("SELECT 1 AS z"));
    QTest::mouseClick(sheet.queryPage().applyButton(), Qt::LeftButton);
    QCOMPARE(node_->levelCount(), std::size_t{1});
    QTest::mouseClick(&sheet.cancelButton(), Qt::LeftButton);
    QCOMPARE(sheet.result(), int{QDialog::Rejected});
    QCOMPARE(node_->definition(), definition);
    QCOMPARE(*node_->attributes(), attributes);
    QCOMPARE(node_->label(), std::string("Numbers"));
  }

 private:
  tree::Panel& panel() { return window_->panel(); }
  static QStringList levelNames(ui::QueryPage& page) {
    QStringList names;
    for (int row = 0; row < page.levelList()->rowCount(); ++row) names << page.levelList()->item(row, 1)->text();
    return names;
  }
  int storedRows() {
    db::SQLiteColumns row;
    panel().database().HasRows("SELECT (SELECT COUNT(*) FROM vos_TreeItem) + (SELECT COUNT(*) FROM vos_QueryNodeDetail)",
                               &row);
    return row[0].intValue();
  }

  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<ui::TreePanel> window_;
  tree::QueryNode* node_ = nullptr;
};

QTEST_MAIN(QueryNodeSheetTest)
#include "query_node_sheet_test.moc"
