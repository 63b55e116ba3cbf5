// The node dialogs as the panel opens them: a new node given up with Cancel
// leaves no row, and a tree built entirely through the dialogs (colours,
// icons, item counts, actions) comes back the same after a restart.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include "tree/query_node.h"
#include "ui/action_page.h"
#include "ui/advanced_page.h"
#include "ui/batch_page.h"
#include "ui/color_button.h"
#include "ui/folder_node_dialog.h"
#include "ui/icon_button.h"
#include "ui/node_attributes_box.h"
#include "ui/panel_commands.h"
#include "ui/query_node_property_sheet.h"
#include "ui/query_page.h"
#include "ui/query_result_node_dialog.h"
#include "ui/support/dialog_driving.h"
#include "ui/support/panel_harness.h"

using ui::QueryNodePropertySheetDialog;
using ui_testing::PanelHarness;
using ui_testing::typeInto;
using ui_testing::whenModal;

class NodeDialogsPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    harness_ = std::make_unique<PanelHarness>();
    window_ = harness_->makePanel();
    QVERIFY(window_->loadTree());
    ui::ColorButton::setChooserForTests([](QWidget*, QColor) { return QColor(0x10, 0x20, 0x30); });
    ui::IconButton::setSelectorForTests([](QWidget*, int, QColor, QColor) { return 17; });
  }
  void cleanup() {
    ui::ColorButton::setChooserForTests({});
    ui::IconButton::setSelectorForTests({});
    window_.reset();
    harness_.reset();
  }

  void cancelledNewNodeLeavesNoRow_data() {
    QTest::addColumn<bool>("folder");
    QTest::addColumn<bool>("applied");
    QTest::newRow("folder") << true << false;
    QTest::newRow("query") << false << false;
    QTest::newRow("query after Apply and a refused OK") << false << true;
  }
  void cancelledNewNodeLeavesNoRow() {
    QFETCH(bool, folder);
    QFETCH(bool, applied);
    const int rows = storedRows();
    const std::size_t folders = panel().folders().size();
    const std::size_t queries = panel().queries().size();
    const std::size_t children = panel().control().itemCount();
    if (folder) {
      whenModal<ui::FolderNodeDialog>([](ui::FolderNodeDialog& dialog) {
        typeInto(dialog.attributesBox().labelEdit(), QStringLiteral("Gone"));
        QTest::mouseClick(dialog.attributesBox().iconButton(), Qt::LeftButton);
        dialog.reject();
      });
    } else {
      whenModal<QueryNodePropertySheetDialog>([applied](QueryNodePropertySheetDialog& sheet) {
        QCOMPARE(sheet.mainPage().labelEdit()->text(), QStringLiteral("New query"));
        typeInto(sheet.queryPage().editor(), QStringLiteral("SELECT 1 AS a"));
        if (applied) {
          QTest::mouseClick(sheet.queryPage().applyButton(), Qt::LeftButton);
          typeInto(sheet.queryPage().editor(), QStringLiteral("SELECT nothing FROM nowhere"));
          QTest::mouseClick(&sheet.okButton(), Qt::LeftButton);
          QVERIFY(sheet.isVisible());
        }
        QTest::mouseClick(&sheet.cancelButton(), Qt::LeftButton);
      });
    }
    window_->runCommand(folder ? ui::kCommandNewFolder : ui::kCommandNewQuery, panel().root());
    QCOMPARE(storedRows(), rows);
    QCOMPARE(panel().folders().size(), folders);
    QCOMPARE(panel().queries().size(), queries);
    QCOMPARE(panel().control().itemCount(), children);
  }

  void aTreeBuiltInTheDialogsSurvivesARestart() {
    panel().database().Execute("CREATE TABLE words(v);INSERT INTO words VALUES ('apple'),('avocado'),('banana')");
    harness_->host.createPlaylist("Letters");

    // A folder with its own colours and icon.
    whenModal<ui::FolderNodeDialog>([](ui::FolderNodeDialog& dialog) {
      ui::NodeAttributesBox& box = dialog.attributesBox();
      typeInto(box.labelEdit(), QStringLiteral(" Music "));
      ui_testing::clickBox(box.useParentBox());
      QTest::mouseClick(box.colourButton(1), Qt::LeftButton);
      QTest::mouseClick(box.iconButton(), Qt::LeftButton);
      QTest::mouseClick(&dialog.okButton(), Qt::LeftButton);
    });
    window_->runCommand(ui::kCommandNewFolder, panel().root());
    tree::FolderNode* folder = panel().findFolder(&panel().root(), " Music ");
    QVERIFY(folder != nullptr);

    // A query below it: two levels, the first with leaf counts and its own
    // text colour, actions, a batch and advanced options.
    whenModal<QueryNodePropertySheetDialog>([](QueryNodePropertySheetDialog& sheet) {
      typeInto(sheet.mainPage().labelEdit(), QStringLiteral("By letter"));
      ui::QueryPage& query = sheet.queryPage();
      sheet.setCurrentPage(QueryNodePropertySheetDialog::kQueryPage);
      typeInto(query.editor(), QStringLiteral("SELECT substr(v, 1, 1) AS letter, v AS word FROM words ORDER BY 1, 2"));
      QTest::mouseClick(query.applyButton(), Qt::LeftButton);
      QCOMPARE(query.levelList()->rowCount(), 2);
      whenModal<ui::QueryResultNodeDialog>([](ui::QueryResultNodeDialog& level) {
        ui_testing::clickBox(level.countButton(tree::kShowLeaves));
        ui_testing::clickBox(level.attributesBox().useParentBox());
        QTest::mouseClick(level.attributesBox().colourButton(0), Qt::LeftButton);
        QTest::mouseClick(&level.okButton(), Qt::LeftButton);
      });
      QTest::mouseClick(query.editButton(), Qt::LeftButton);

      ui::ActionPage& action = sheet.actionPage();
      ui_testing::pickEntry(action.actionBox(ui::ActionPage::kClick), tree::kSendToTarget);
      action.targetBox(ui::ActionPage::kClick)->setCurrentIndex(0);
      ui_testing::pickEntry(action.actionBox(ui::ActionPage::kMiddleClick), tree::kSendToConsole);
      typeInto(sheet.batchPage().editor(), QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS seen(x)"));
      ui_testing::clickBox(sheet.advancedPage().refreshOnLoadBox());
      typeInto(sheet.advancedPage().limitEdit(), QStringLiteral("500"));
      QTest::mouseClick(&sheet.okButton(), Qt::LeftButton);
    });
    window_->runCommand(ui::kCommandNewQuery, *folder);
    tree::QueryNode* query = panel().findQuery(folder, "By letter");
    QVERIFY(query != nullptr);

    // Edit on a stored node saves what OK took.
    whenModal<QueryNodePropertySheetDialog>([](QueryNodePropertySheetDialog& sheet) {
      ui_testing::clickBox(sheet.advancedPage().removeDuplicatesBox());
      QTest::mouseClick(&sheet.okButton(), Qt::LeftButton);
    });
    window_->runCommand(ui::kCommandEdit, *query);

    const tree::NodeAttributes folder_attributes = *folder->attributes();
    const tree::NodeAttributes query_attributes = *query->attributes();
    const tree::QueryDefinition definition = query->definition();
    QCOMPARE(folder_attributes.back, tree::Colour{0x302010});
    QCOMPARE(folder_attributes.icon, uint16_t{17});
    QCOMPARE(definition.level_options.size(), std::size_t{2});
    QCOMPARE(definition.level_options[0].show_item_count, uint8_t{tree::kShowLeaves});
    QCOMPARE(definition.level_options[0].attributes.text, tree::Colour{0x302010});
    QCOMPARE(definition.click, (tree::NodeAction{tree::kSendToTarget, "Letters", true, false, false}));
    QCOMPARE(definition.middle_click.action, uint8_t{tree::kSendToConsole});
    QCOMPARE(definition.node_limit, uint32_t{500});
    QVERIFY(definition.refresh_on_load && !definition.remove_duplicates);
    QCOMPARE(definition.sql_batch, std::string("CREATE TEMP TABLE IF NOT EXISTS seen(x)"));

    // Restart: a new panel over the same record and database.
    const std::vector<uint8_t> record = window_->settingsRecord();
    window_.reset();
    window_ = harness_->makePanel(record);
    QVERIFY(window_->loadTree());
    tree::FolderNode* folder_again = panel().findFolder(&panel().root(), " Music ");
    QVERIFY(folder_again != nullptr);
    tree::QueryNode* query_again = panel().findQuery(folder_again, "By letter");
    QVERIFY(query_again != nullptr);
    QCOMPARE(*folder_again->attributes(), folder_attributes);
    QCOMPARE(*query_again->attributes(), query_attributes);
    QCOMPARE(query_again->definition(), definition);
    // Refreshed on load: the letters a and b.
    QCOMPARE(query_again->item()->childCount(), std::size_t{2});
  }

 private:
  tree::Panel& panel() { return window_->panel(); }
  int storedRows() {
    db::SQLiteColumns row;
    panel().database().HasRows(
        "SELECT (SELECT COUNT(*) FROM vos_TreeItem) + (SELECT COUNT(*) FROM vos_QueryNodeDetail)", &row);
    return row[0].intValue();
  }

  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<ui::TreePanel> window_;
};

QTEST_MAIN(NodeDialogsPanelTest)
#include "node_dialogs_panel_test.moc"
