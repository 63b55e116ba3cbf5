// Mouse, keys, the context menu and the panel's commands on a live panel.
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "tree/query_result_node.h"
#include "ui/panel_commands.h"
#include "ui/panel_tree_view.h"
#include "ui/support/panel_harness.h"
#include "ui/tree_model.h"

using ui_testing::PanelHarness;

namespace {

// A query node whose click sends its SQL to the console and whose middle
// click executes it (a harmless statement).
tree::QueryNode* consoleQuery(tree::Panel& panel, const std::string& label) {
  tree::QueryNode* query = PanelHarness::addQuery(panel, "SELECT 'x'", {"x"}, nullptr, label);
  query->definition().click.action = tree::kSendToConsole;
  query->definition().middle_click.action = tree::kSendToConsole;
  return query;
}

// The texts of a menu, "-" for separators.
QStringList menuTexts(QMenu& menu) {
  QStringList texts;
  for (QAction* action : menu.actions()) texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
  return texts;
}

}  // namespace

class TreePanelInputTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    harness_ = std::make_unique<PanelHarness>();
    panel_ = harness_->makePanel();
    QVERIFY(panel_->panel().open());
    panel_->resize(400, 300);
    panel_->show();
  }
  void cleanup() {
    panel_.reset();
    harness_.reset();
  }

  void clickOnLabelRunsTheAction() {
    tree::QueryNode* query = consoleQuery(panel_->panel(), "Send");
    panel_->panel().control().select(nullptr);
    QApplication::processEvents();
    ui_testing::clickAt(*panel_, ui_testing::labelPoint(*panel_, *query));
    QCOMPARE(harness_->console_sql.size(), std::size_t{1});
    QCOMPARE(panel_->panel().control().selection(), query->item());
  }

  void ctrlClickSelectsWithoutAction() {
    tree::QueryNode* query = consoleQuery(panel_->panel(), "Send");
    panel_->panel().control().select(nullptr);
    QApplication::processEvents();
    ui_testing::clickAt(*panel_, ui_testing::labelPoint(*panel_, *query), Qt::LeftButton, Qt::ControlModifier);
    QVERIFY(harness_->console_sql.empty());
    QCOMPARE(panel_->panel().control().selection(), query->item());
  }

  void clickRightOfLabelClearsSelection() {
    tree::QueryNode* query = consoleQuery(panel_->panel(), "Send");
    QApplication::processEvents();
    QCOMPARE(panel_->panel().control().selection(), query->item());
    const QPoint right(query->labelExtent() + 20, ui_testing::labelPoint(*panel_, *query).y());
    ui_testing::clickAt(*panel_, right);
    QVERIFY(harness_->console_sql.empty());
    QVERIFY(panel_->panel().control().selection() == nullptr);
    ui_testing::clickAt(*panel_, right, Qt::MiddleButton);
    QVERIFY(harness_->console_sql.empty());
  }

  // A click runs on release, over the node it was pressed on, without a
  // drag in between: pressing a node and dragging away runs nothing.
  void clickNeedsReleaseOnTheSameNodeWithoutDrag_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<int>("dragDistance");
    QTest::addColumn<int>("actions");
    const int drag = QApplication::startDragDistance();
    QTest::newRow("released where pressed") << int(Qt::LeftButton) << "stay" << drag << 1;
    QTest::newRow("moved less than a drag") << int(Qt::LeftButton) << "jitter" << drag << 1;
    QTest::newRow("dragged away") << int(Qt::LeftButton) << "drag away" << drag << 0;
    QTest::newRow("dragged away and back") << int(Qt::LeftButton) << "drag and return" << drag << 0;
    QTest::newRow("released on another node") << int(Qt::LeftButton) << "other node" << 200 << 0;
    QTest::newRow("released right of the label") << int(Qt::LeftButton) << "right of label" << 200 << 0;
    QTest::newRow("middle, released where pressed") << int(Qt::MiddleButton) << "stay" << drag << 1;
    QTest::newRow("middle, dragged away") << int(Qt::MiddleButton) << "drag away" << drag << 0;
  }
  void clickNeedsReleaseOnTheSameNodeWithoutDrag() {
    QFETCH(int, button);
    QFETCH(QString, gesture);
    QFETCH(int, dragDistance);
    QFETCH(int, actions);
    const int saved_distance = QApplication::startDragDistance();
    QApplication::setStartDragDistance(dragDistance);
    tree::QueryNode* first = consoleQuery(panel_->panel(), "First");
    tree::QueryNode* second = consoleQuery(panel_->panel(), "Second");
    panel_->panel().control().select(nullptr);
    QApplication::processEvents();
    const auto mouse = static_cast<Qt::MouseButton>(button);
    QWidget* viewport = panel_->view()->viewport();
    const QPoint press = ui_testing::labelPoint(*panel_, *first);
    QPoint release = press;
    auto move = [&](QPoint to) {
      QMouseEvent event(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, mouse, Qt::NoModifier);
      QApplication::sendEvent(viewport, &event);
      release = to;
    };
    QTest::mousePress(viewport, mouse, Qt::NoModifier, press);
    QVERIFY2(harness_->console_sql.empty(), "a press alone runs nothing");
    QCOMPARE(panel_->panel().control().selection(), first->item());
    const int drag = QApplication::startDragDistance();
    if (gesture == "jitter") move(press + QPoint(drag - 1, 0));
    if (gesture == "drag away") move(press + QPoint(0, drag + 30));
    if (gesture == "drag and return") {
      move(press + QPoint(drag, 0));
      move(press);
    }
    if (gesture == "other node") move(ui_testing::labelPoint(*panel_, *second));
    if (gesture == "right of label") move(QPoint(first->labelExtent() + 4, press.y()));
    QTest::mouseRelease(viewport, mouse, Qt::NoModifier, release);
    QApplication::setStartDragDistance(saved_distance);
    QCOMPARE(static_cast<int>(harness_->console_sql.size()), actions);
  }

  void middleClickRunsTheMiddleAction() {
    tree::QueryNode* query = consoleQuery(panel_->panel(), "Send");
    query->definition().click.action = tree::kNoAction;
    QApplication::processEvents();
    ui_testing::clickAt(*panel_, ui_testing::labelPoint(*panel_, *query), Qt::MiddleButton);
    QCOMPARE(harness_->console_sql.size(), std::size_t{1});
  }

  void ctrlDeleteAndCtrlEnterGoToTheHost() {
    tree::FolderNode* folder = PanelHarness::addFolder(panel_->panel(), "Keep");
    int edits = 0;
    panel_->setNodeEditor([&](QWidget*, tree::TreeNode&) { return ++edits, false; });
    QTest::keyClick(panel_->view(), Qt::Key_Delete, Qt::ControlModifier);
    QTest::keyClick(panel_->view(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(harness_->ui.offered, (std::vector<uint32_t>{0x22E, 0x20D}));
    QVERIFY(harness_->host.questions.empty());
    QCOMPARE(edits, 0);
    QCOMPARE(panel_->panel().folders().size(), std::size_t{1});
    // Without Ctrl they act on the selected node.
    QTest::keyClick(panel_->view(), Qt::Key_Return);
    QCOMPARE(edits, 1);
    QTest::keyClick(panel_->view(), Qt::Key_Delete);
    QCOMPARE(harness_->host.questions, (std::vector<std::string>{"Are you sure?"}));
    QVERIFY(panel_->panel().folders().empty());
    (void)folder;
  }

  void insertKeysMakeNodesThroughTheEditor() {
    panel_->setNodeEditor([](QWidget*, tree::TreeNode& node) {
      if (node.type() == tree::NodeType::kFolder) {
        node.setLabel("Made folder");
        return true;
      }
      auto& query = static_cast<tree::QueryNode&>(node);
      query.setLabel("Made query");
      query.definition().sql_query = "SELECT 1";
      return true;
    });
    QTest::keyClick(panel_->view(), Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(panel_->panel().folders().size(), std::size_t{1});
    QCOMPARE(panel_->panel().folders()[0]->label(), std::string("Made folder"));
    // The new folder is selected: the next node goes below it.
    QTest::keyClick(panel_->view(), Qt::Key_Insert);
    QCOMPARE(panel_->panel().queries().size(), std::size_t{1});
    QCOMPARE(panel_->panel().queries()[0]->parent(), static_cast<tree::TreeNode*>(panel_->panel().folders()[0]));
    QVERIFY(panel_->panel().queries()[0]->nodeId() != 0);
    // A cancelled editor makes nothing.
    panel_->setNodeEditor([](QWidget*, tree::TreeNode&) { return false; });
    QTest::keyClick(panel_->view(), Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(panel_->panel().folders().size(), std::size_t{1});
  }

  void contextMenuOfAResultNodeHasNoSeparator() {
    tree::QueryNode* query = PanelHarness::addQuery(panel_->panel(), "SELECT 'r'", {"r"}, nullptr, "Q");
    QVERIFY(query->refresh(false));
    panel_->panel().expandNode(*query, true);
    QApplication::processEvents();
    const tree::TreeNode* result = query->item()->child(0)->node();
    QStringList seen;
    panel_->setMenuRunner([&](QMenu& menu, const QPoint&) {
      seen = menuTexts(menu);
      return nullptr;
    });
    ui_testing::contextMenuAt(*panel_, ui_testing::labelPoint(*panel_, *result));
    QCOMPARE(seen, (QStringList{"Refresh all\t   Ctrl+F5", "Options...", "Create example nodes",
                                "Create 'now playing' examples", "Help"}));
    // On the query node itself the separator is there, and the node is
    // selected first.
    panel_->panel().control().select(nullptr);
    ui_testing::contextMenuAt(*panel_, ui_testing::labelPoint(*panel_, *query));
    QCOMPARE(seen.indexOf("-"), seen.indexOf("Refresh all\t   Ctrl+F5") + 1);
    QCOMPARE(panel_->panel().control().selection(), query->item());
  }

  // A result node's menu names its query node's actions first, and runs
  // them without a click.
  void resultMenuRunsTheNodesActions() {
    tree::QueryNode* query =
        PanelHarness::addQuery(panel_->panel(), "SELECT 'r' UNION ALL SELECT 's'", {"v"}, nullptr, "Q");
    query->definition().click.action = tree::kSendToConsole;
    query->definition().middle_click.action = tree::kExecuteSql;
    QVERIFY(query->refresh(false));
    query->definition().sql_batch = "CREATE TABLE made_by_middle(x)";  // after the run, which would run it
    panel_->panel().expandNode(*query, true);
    QApplication::processEvents();
    const tree::TreeNode* result = query->item()->child(1)->node();
    int chosen_id = ui::kCommandClick;
    QStringList seen;
    panel_->setMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
      seen = menuTexts(menu);
      for (QAction* action : menu.actions()) {
        if (action->data().toInt() == chosen_id && !action->isSeparator()) return action;
      }
      return nullptr;
    });
    ui_testing::contextMenuAt(*panel_, ui_testing::labelPoint(*panel_, *result));
    QCOMPARE(seen.mid(0, 4), (QStringList{"Send to Vostrel console\t   Click", "Execute SQL\t   Middle click", "-",
                                          "Refresh all\t   Ctrl+F5"}));
    QCOMPARE(harness_->console_sql.size(), std::size_t{1});
    QVERIFY2(QString::fromStdString(harness_->console_sql[0]).contains("= 's'"), harness_->console_sql[0].c_str());
    chosen_id = ui::kCommandMiddleClick;
    ui_testing::contextMenuAt(*panel_, ui_testing::labelPoint(*panel_, *result));
    QVERIFY(panel_->panel().database().HasRows("SELECT 1 FROM sqlite_master WHERE name='made_by_middle'"));
    // The query node's own menu stays as it was.
    chosen_id = 0;
    ui_testing::contextMenuAt(*panel_, ui_testing::labelPoint(*panel_, *query));
    QCOMPARE(seen.first(), QStringLiteral("Edit...\t   Enter"));
  }

  void actionEntriesNameTheActions_data() {
    QTest::addColumn<int>("click");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("middle");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("none") << 0 << "" << 0 << QStringList{};
    QTest::newRow("unknown codes do nothing") << 12 << "" << 200 << QStringList{};
    QTest::newRow("target with an ampersand")
        << int(tree::kSendToTarget) << "Rock & Roll" << 0
        << QStringList{QString::fromUtf8("Send to target playlist \u201CRock && Roll\u201D\t   Click"), "-"};
    QTest::newRow("middle only") << 0 << "" << int(tree::kAddToActive)
                                 << QStringList{"Add to active playlist\t   Middle click", "-"};
    QTest::newRow("the same twice") << int(tree::kAddToPlaying) << "" << int(tree::kAddToPlaying)
                                    << QStringList{"Add to playing playlist\t   Click", "-"};
  }
  void actionEntriesNameTheActions() {
    QFETCH(int, click);
    QFETCH(QString, target);
    QFETCH(int, middle);
    QFETCH(QStringList, texts);
    tree::NodeAction click_action;
    click_action.action = static_cast<uint8_t>(click);
    click_action.target_playlist = target.toStdString();
    tree::NodeAction middle_action;
    middle_action.action = static_cast<uint8_t>(middle);
    QStringList seen;
    for (const ui::MenuEntry& entry : ui::actionMenuEntries(click_action, middle_action)) {
      seen << (entry.id == ui::kCommandSeparator ? QStringLiteral("-") : entry.text);
    }
    QCOMPARE(seen, texts);
  }

  void contextMenuCommandRuns() {
    PanelHarness::addFolder(panel_->panel(), "F");
    panel_->setMenuRunner([](QMenu& menu, const QPoint&) -> QAction* {
      for (QAction* action : menu.actions()) {
        if (action->data().toInt() == ui::kCommandCreateExamples) return action;
      }
      return nullptr;
    });
    // Empty space: the root's menu.
    ui_testing::contextMenuAt(*panel_, QPoint(200, 250));
    QVERIFY(panel_->panel().findFolder(&panel_->panel().root(), "<Examples>") != nullptr);
  }

  void expandButtonGoesThroughTheNode() {
    tree::FolderNode* folder = PanelHarness::addFolder(panel_->panel(), "Outer");
    PanelHarness::addFolder(panel_->panel(), "Inner", folder);
    QApplication::processEvents();
    const QRect row = panel_->view()->visualRect(panel_->model()->indexOf(folder->item()));
    const QPoint button(panel_->view()->indentation() / 2, row.center().y());
    ui_testing::clickAt(*panel_, button);
    QVERIFY(folder->isExpanded());
    QVERIFY(panel_->view()->isExpanded(panel_->model()->indexOf(folder->item())));
    // The folder keeps its state in its row.
    QCOMPARE(panel_->panel().database().HasRows(
                 "SELECT 1 FROM vos_TreeItem WHERE tri_node_id=" + std::to_string(folder->nodeId()) +
                 " AND tri_expanded"),
             true);
    ui_testing::clickAt(*panel_, button);
    QVERIFY(!folder->isExpanded());
  }

  void refreshAllIsOneBatch() {
    tree::QueryNode* a = PanelHarness::addQuery(panel_->panel(), "SELECT 'a1' UNION ALL SELECT 'a2'", {"x"}, nullptr, "A");
    PanelHarness::addQuery(panel_->panel(), "SELECT 'b1'", {"x"}, nullptr, "B");
    QSignalSpy layouts(panel_->model(), &QAbstractItemModel::layoutChanged);
    QSignalSpy inserted(panel_->model(), &QAbstractItemModel::rowsInserted);
    panel_->runCommand(ui::kCommandRefreshAll, panel_->panel().root());
    QCOMPARE(layouts.count(), 1);
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(a->item()->childCount(), std::size_t{2});
    QVERIFY(panel_->queryActiveLabel()->isHidden());
  }

  void followsUiColoursOnlyWhenAsked() {
    harness_->ui.colours[3] = QColor(0x30, 0x40, 0x50);
    harness_->ui.changeColours();
    QCOMPARE(panel_->view()->palette().color(QPalette::Base), QColor(0x30, 0x40, 0x50));
    tree::PanelSettings own = panel_->panel().settings();
    own.use_ui_attributes = 0;
    panel_->panel().setSettings(own);
    harness_->ui.colours[3] = QColor(0x60, 0x60, 0x60);
    harness_->ui.changeColours();
    QCOMPARE(panel_->view()->palette().color(QPalette::Base), QColor(0x30, 0x40, 0x50));
  }

  void optionsReplaceTheSettings() {
    QSignalSpy changed(panel_.get(), &ui::TreePanel::settingsChanged);
    panel_->setOptionsEditor([](QWidget*, tree::PanelSettings& s) {
      s.edge_style = tree::kEdgeGrey;
      s.back = 0x00102030;  // chosen by hand, but the UI colours win
      return true;
    });
    panel_->runCommand(ui::kCommandOptions, panel_->panel().root());
    QCOMPARE(panel_->panel().settings().edge_style, tree::kEdgeGrey);
    QCOMPARE(panel_->frameShape(), QFrame::Box);
    QCOMPARE(panel_->view()->palette().color(QPalette::Base), harness_->ui.colours[3]);
    QCOMPARE(changed.count(), 1);
    panel_->setOptionsEditor([](QWidget*, tree::PanelSettings& s) {
      s.use_ui_attributes = 0;
      s.back = 0x00102030;
      return true;
    });
    panel_->runCommand(ui::kCommandOptions, panel_->panel().root());
    QCOMPARE(panel_->view()->palette().color(QPalette::Base), QColor(0x30, 0x20, 0x10));
  }

  void helpThatCannotOpenSaysSo() {
    harness_->ui.help_opens = false;
    panel_->runCommand(ui::kCommandHelp, panel_->panel().root());
    QCOMPARE(harness_->ui.help_pages, QStringList{"vostrel_help.html"});
    QCOMPARE(harness_->host.popups, (std::vector<std::string>{"Unable to open help file"}));
  }

 private:
  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<ui::TreePanel> panel_;
};

QTEST_MAIN(TreePanelInputTest)
#include "tree_panel_input_test.moc"
