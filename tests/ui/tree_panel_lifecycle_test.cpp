// Creating and loading panels: two panels with two roots, a record that
// brings its tree back, and a database that cannot be opened.
#include <fstream>

#include <QSignalSpy>
#include <QTest>

#include "tree/panel_settings.h"
#include "ui/support/panel_harness.h"

using ui_testing::PanelHarness;

class TreePanelLifecycleTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { harness_ = std::make_unique<PanelHarness>(); }
  void cleanup() { harness_.reset(); }

  void twoPanelsShowTwoRoots() {
    auto first = harness_->makePanel();
    auto second = harness_->makePanel();
    QSignalSpy changed(first.get(), &ui::TreePanel::settingsChanged);
    QVERIFY(first->loadTree());
    QVERIFY(second->loadTree());
    QCOMPARE(changed.count(), 1);  // the new root id
    const int32_t a = first->panel().rootNodeId();
    const int32_t b = second->panel().rootNodeId();
    QVERIFY(a != 0 && b != 0 && a != b);
    // Each record holds its own root id.
    tree::PanelSettings read;
    QVERIFY(tree::readPanelSettings(first->settingsRecord(), {}, read));
    QCOMPARE(read.root_node_id, a);
    QCOMPARE(first->settingsRecord().size(), std::size_t{135});

    // A folder added to the first comes back with its record, not with the
    // second's.
    PanelHarness::addFolder(first->panel(), "Only here");
    const std::vector<uint8_t> record = first->settingsRecord();
    first.reset();
    auto again = harness_->makePanel(record);
    QVERIFY(again->loadTree());
    QCOMPARE(again->panel().rootNodeId(), a);
    QVERIFY(again->panel().findFolder(&again->panel().root(), "Only here") != nullptr);
    QVERIFY(second->panel().findFolder(&second->panel().root(), "Only here") == nullptr);
  }

  void unusableDatabaseKeepsTheStoredTree() {
    tree::PanelSettings settings;
    settings.root_node_id = 42;
    const std::vector<uint8_t> record = tree::writePanelSettings(settings);
    {
      std::ofstream garbage(harness_->dir.path() / "configuration" / "vostrel.db", std::ios::binary);
      garbage << std::string(4096, 'x');
    }
    auto panel = harness_->makePanel(record);
    QVERIFY(!panel->loadTree());
    QCOMPARE(harness_->host.popups, (std::vector<std::string>{"Unable to populate tree."}));
    tree::PanelSettings read;
    QVERIFY(tree::readPanelSettings(panel->settingsRecord(), {}, read));
    QCOMPARE(read.root_node_id, 42);
    // Nothing can be made on it, and the root id stays.
    tree::TreeNode* root = panel->nodeAt(QPoint(10, 10));
    QVERIFY(root != nullptr);
    panel->setNodeEditor([](QWidget*, tree::TreeNode&) { return true; });
    panel->runCommand(1, *root);
    QVERIFY(panel->panel().folders().empty());
    QVERIFY(tree::readPanelSettings(panel->settingsRecord(), {}, read));
    QCOMPARE(read.root_node_id, 42);
  }

 private:
  std::unique_ptr<PanelHarness> harness_;
};

QTEST_MAIN(TreePanelLifecycleTest)
#include "tree_panel_lifecycle_test.moc"
