// The model adaptor over a panel's control, checked by Qt's model tester
// through inserts, deletes, re-sorts and batches.
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include "ui/support/panel_harness.h"
#include "tree/query_result_node.h"
#include "ui/tree_model.h"

using ui_testing::PanelHarness;

namespace {

std::string series(int count, int groups) {
  return "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM r WHERE i<" + std::to_string(count) +
         ") SELECT 'G'||(i % " + std::to_string(groups) + "), 'V'||i FROM r ORDER BY i % " +
         std::to_string(groups) + ", i";
}

QString textAt(const QAbstractItemModel& model, const QModelIndex& index) {
  return model.data(index, Qt::DisplayRole).toString();
}

}  // namespace

class TreeModelTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    harness_ = std::make_unique<PanelHarness>();
    panel_ = std::make_unique<tree::Panel>(harness_->host, tree::UiAttributes{});
    QVERIFY(panel_->open());
    model_ = std::make_unique<ui::TreeModel>(panel_->control());
    tester_ = std::make_unique<QAbstractItemModelTester>(model_.get(),
                                                         QAbstractItemModelTester::FailureReportingMode::QtTest);
  }
  void cleanup() {
    tester_.reset();
    model_.reset();
    panel_.reset();
    harness_.reset();
  }

  void insertsArriveSortedOneByOne() {
    QSignalSpy inserted(model_.get(), &QAbstractItemModel::rowsInserted);
    PanelHarness::addFolder(*panel_, "beta");
    PanelHarness::addFolder(*panel_, "Alpha");
    PanelHarness::addFolder(*panel_, "gamma 10");
    PanelHarness::addFolder(*panel_, "gamma 9");
    QCOMPARE(inserted.count(), 4);
    QStringList order;
    for (int row = 0; row < model_->rowCount(); ++row) order << textAt(*model_, model_->index(row, 0));
    QCOMPARE(order, (QStringList{"Alpha", "beta", "gamma 9", "gamma 10"}));
  }

  void runsOutsideAndInsideBatches() {
    tree::QueryNode* query = PanelHarness::addQuery(*panel_, series(60, 4), {"g", "v"});
    QVERIFY(query->refresh(false));  // one notification per node
    const QModelIndex node = model_->indexOf(query->item());
    QCOMPARE(model_->rowCount(node), 4);
    QCOMPARE(model_->rowCount(model_->index(0, 0, node)), 15);

    QSignalSpy layouts(model_.get(), &QAbstractItemModel::layoutChanged);
    QSignalSpy inserted(model_.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(model_.get(), &QAbstractItemModel::rowsRemoved);
    query->definition().sql_query = series(30, 3);
    QVERIFY(query->refresh(true));  // interactive: one batch
    QCOMPARE(layouts.count(), 1);
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(removed.count(), 0);
    QCOMPARE(model_->rowCount(model_->indexOf(query->item())), 3);
  }

  void persistentIndexesFollowTheirItems() {
    tree::FolderNode* b = PanelHarness::addFolder(*panel_, "b");
    tree::FolderNode* c = PanelHarness::addFolder(*panel_, "c");
    tree::QueryNode* query = PanelHarness::addQuery(*panel_, series(10, 2), {"g", "v"}, nullptr, "d");
    QVERIFY(query->refresh(false));
    const QPersistentModelIndex keep_b(model_->indexOf(b->item()));
    const QPersistentModelIndex keep_c(model_->indexOf(c->item()));
    const QPersistentModelIndex result(model_->index(0, 0, model_->indexOf(query->item())));
    QVERIFY(result.isValid());

    // Renaming c to "a" re-sorts: b moves down one row.
    c->setLabel("a");
    c->updateItem(false);
    QCOMPARE(keep_b.row(), 1);
    QCOMPARE(keep_c.row(), 0);
    QCOMPARE(ui::TreeModel::itemOf(keep_b), b->item());

    // A batch that rebuilds the results drops indexes of the old results
    // and keeps the others.
    QVERIFY(panel_->refreshAll());
    QVERIFY(!result.isValid());
    QCOMPARE(ui::TreeModel::itemOf(keep_b), b->item());
    QCOMPARE(keep_b.row(), 1);
  }

  void deletesRemoveBranches() {
    harness_->host.answer_yes = true;
    tree::FolderNode* folder = PanelHarness::addFolder(*panel_, "F");
    PanelHarness::addFolder(*panel_, "inner", folder);
    tree::QueryNode* query = PanelHarness::addQuery(*panel_, series(20, 5), {"g", "v"}, folder, "Q");
    QVERIFY(query->refresh(false));
    QSignalSpy removed(model_.get(), &QAbstractItemModel::rowsAboutToBeRemoved);
    QVERIFY(panel_->deleteNode(*folder));
    QCOMPARE(removed.count(), 1);  // the folder's row, with its branch
    QCOMPARE(model_->rowCount(), 0);
  }

  void collapseAndResetInsideABatchKeepsItemsUntilDelivered() {
    tree::QueryNode* query = PanelHarness::addQuery(*panel_, series(12, 3), {"g", "v"});
    QVERIFY(query->refresh(false));
    const QModelIndex first = model_->index(0, 0, model_->indexOf(query->item()));
    tree::TreeItem* held = ui::TreeModel::itemOf(first);
    bool seen_during_batch = false;
    connect(model_.get(), &QAbstractItemModel::layoutChanged, this, [&] {
      // Delivered while the removed items still exist.
      seen_during_batch = held->node() == nullptr && held->childCount() == 4;
    });
    {
      tree::RedrawSuspension suspension(panel_->control());
      panel_->control().collapseAndReset(query->item());
    }
    QVERIFY(seen_during_batch);
    QCOMPARE(model_->rowCount(model_->indexOf(query->item())), 0);
  }

 private:
  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<tree::Panel> panel_;
  std::unique_ptr<ui::TreeModel> model_;
  std::unique_ptr<QAbstractItemModelTester> tester_;
};

QTEST_MAIN(TreeModelTest)
#include "tree_model_test.moc"
