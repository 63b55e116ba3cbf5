// Tree files in the panel: "Export..." and "Import..." from the context
// menu, a .json file dropped on a folder, and a bad file refused with a
// message that names it, leaving the tree as it was.
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "ui/panel_commands.h"
#include "ui/panel_tree_view.h"
#include "ui/support/panel_harness.h"

using ui_testing::PanelHarness;

namespace {

QString readAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

// Runs the context menu's entry `id` on `node` as the menu would.
bool chooseFromMenu(ui::TreePanel& panel, const tree::TreeNode& node, int id) {
  bool offered = false;
  panel.setMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
    for (QAction* action : menu.actions()) {
      if (!action->isSeparator() && action->data().toInt() == id) {
        offered = true;
        return action;
      }
    }
    return nullptr;
  });
  ui_testing::contextMenuAt(panel, ui_testing::labelPoint(panel, node));
  return offered;
}

}  // namespace

class TreePanelFilesTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    harness_ = std::make_unique<PanelHarness>();
    panel_ = harness_->makePanel();
    QVERIFY(panel_->panel().open());
    panel_->resize(400, 300);
    panel_->show();
    dir_ = QString::fromStdString(harness_->dir.path().string());
  }
  void cleanup() {
    panel_.reset();
    harness_.reset();
  }

  void exportThenImportFromTheMenu() {
    tree::FolderNode* mine = PanelHarness::addFolder(panel_->panel(), "Mine/Rock");
    PanelHarness::addQuery(panel_->panel(), "SELECT artist FROM MediaLibrary", {"artist"}, mine, "Artists");
    tree::FolderNode* target = PanelHarness::addFolder(panel_->panel(), "Target");
    QApplication::processEvents();
    const QString file = dir_ + "/mine.json";
    QString suggested;
    panel_->setFileChooser([&](QWidget*, bool save, const QString& name) {
      if (save) suggested = name;
      return file;
    });
    QVERIFY(chooseFromMenu(*panel_, *mine, ui::kCommandExport));
    QCOMPARE(suggested, QStringLiteral("Mine_Rock.json"));
    const QString exported = readAll(file);
    QVERIFY2(exported.contains("\"label\": \"Artists\""), qPrintable(exported));

    QVERIFY(chooseFromMenu(*panel_, *target, ui::kCommandImport));
    QVERIFY(harness_->host.popups.empty());
    QCOMPARE(target->item()->childCount(), std::size_t{1});
    const tree::TreeItem* imported = target->item()->child(0);
    QCOMPARE(imported->node()->label(), std::string("Mine/Rock"));
    QCOMPARE(imported->childCount(), std::size_t{1});
    // The new node is in sight and selected.
    QVERIFY(target->item()->expanded());
    QCOMPARE(panel_->panel().control().selection(), imported);
  }

  void menuOffersImportOnFoldersAndExportOnStoredNodes() {
    tree::FolderNode* folder = PanelHarness::addFolder(panel_->panel(), "F");
    tree::QueryNode* query = PanelHarness::addQuery(panel_->panel(), "SELECT 1 AS one", {"one"}, nullptr, "Q");
    QApplication::processEvents();
    panel_->setFileChooser([](QWidget*, bool, const QString&) { return QString(); });  // cancelled
    QVERIFY(chooseFromMenu(*panel_, *folder, ui::kCommandImport));
    QVERIFY(chooseFromMenu(*panel_, *folder, ui::kCommandExport));
    QVERIFY(chooseFromMenu(*panel_, *query, ui::kCommandExport));
    QVERIFY(!chooseFromMenu(*panel_, *query, ui::kCommandImport));
    QVERIFY(harness_->host.popups.empty());
  }

  void badFileIsRefusedByNameAndChangesNothing() {
    tree::FolderNode* target = PanelHarness::addFolder(panel_->panel(), "Target");
    QApplication::processEvents();
    QFile file(dir_ + "/bad.json");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"format": "vostrel-tree", "version": 9, "node": {}})");
    file.close();
    QVERIFY(!panel_->importTree(file.fileName(), *target));
    QCOMPARE(harness_->host.popups.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(harness_->host.popups[0]),
             QStringLiteral("Cannot import \"bad.json\": $.version: the file has version 9 of the tree file format; "
                            "this program reads version 1"));
    QCOMPARE(target->item()->childCount(), std::size_t{0});
    QVERIFY(!panel_->importTree(dir_ + "/missing.json", *target));
    QVERIFY(QString::fromStdString(harness_->host.popups.back()).startsWith("Cannot import \"missing.json\": "));
  }

  // A .json file dropped on a query node goes into the folder that holds it;
  // other files are not taken.
  void droppedTreeFileIsImportedIntoTheFolderUnderThePointer() {
    tree::FolderNode* source = PanelHarness::addFolder(panel_->panel(), "Source");
    tree::FolderNode* target = PanelHarness::addFolder(panel_->panel(), "Target");
    tree::QueryNode* inside = PanelHarness::addQuery(panel_->panel(), "SELECT 1 AS one", {"one"}, target, "Inside");
    panel_->panel().expandNode(*target, true);
    QApplication::processEvents();
    const QString file = dir_ + "/source.json";
    QVERIFY(panel_->exportTree(*source, file));

    QMimeData text_data;
    text_data.setUrls({QUrl::fromLocalFile(dir_ + "/notes.txt")});
    QWidget* viewport = panel_->view()->viewport();
    const QPoint at = ui_testing::labelPoint(*panel_, *inside);
    QDragEnterEvent refused(at, Qt::CopyAction, &text_data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &refused);
    QVERIFY(!refused.isAccepted());

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QTRY_COMPARE(target->item()->childCount(), std::size_t{2});
    QVERIFY(harness_->host.popups.empty());
    QCOMPARE(panel_->panel().folders().size(), std::size_t{3});
    QCOMPARE(static_cast<const tree::TreeNode*>(panel_->panel().folders().back()->parent()),
             static_cast<const tree::TreeNode*>(target));
  }

 private:
  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<ui::TreePanel> panel_;
  QString dir_;
};

QTEST_MAIN(TreePanelFilesTest)
#include "tree_panel_files_test.moc"
