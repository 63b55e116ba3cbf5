// TreeModel: shows a panel's TreeControl to Qt views. One column; an index's
// internal pointer is its TreeItem.
//
// Outside redraw suspension every change of the control arrives as the
// matching begin/end pair (rows inserted, rows removed, a re-sort as a
// layout change of one parent, dataChanged). A suspension is one batch: the
// model announces a layout change when it begins and finishes it when the
// batch is delivered, mapping every persistent index to its item's new
// place (or invalidating it when the item is gone). Items removed during a
// batch are still allocated when it is delivered, so views that look at the
// model in between (a long statement lets events through) never see freed
// memory; they may see a stale picture until the batch ends.
#ifndef VOSTREL_UI_TREE_MODEL_H_
#define VOSTREL_UI_TREE_MODEL_H_

#include <QAbstractItemModel>

#include "tree/tree_control.h"

namespace ui {

class TreeModel : public QAbstractItemModel, public tree::TreeObserver {
  Q_OBJECT

 public:
  explicit TreeModel(tree::TreeControl& control, QObject* parent = nullptr);
  ~TreeModel() override;

  tree::TreeControl& control() const { return control_; }
  // The index of `item` (an invalid index for none); the item of an index.
  QModelIndex indexOf(const tree::TreeItem* item) const;
  static tree::TreeItem* itemOf(const QModelIndex& index) {
    return static_cast<tree::TreeItem*>(index.internalPointer());
  }
  // Whether a batch is being collected (the view shows a stale picture).
  bool inBatch() const { return in_batch_; }

  // QAbstractItemModel.
  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // TreeObserver.
  void itemsAboutToBeInserted(tree::TreeItem* parent, std::size_t first, std::size_t last) override;
  void itemsInserted(tree::TreeItem* parent, std::size_t first, std::size_t last) override;
  void itemsAboutToBeRemoved(tree::TreeItem* parent, std::size_t first, std::size_t last) override;
  void itemsRemoved(tree::TreeItem* parent, std::size_t first, std::size_t last) override;
  void childrenAboutToBeReordered(tree::TreeItem* parent) override;
  void childrenReordered(tree::TreeItem* parent) override;
  void itemChanged(tree::TreeItem* item) override;
  void expansionChanged(tree::TreeItem* item) override;
  void selectionChanged(tree::TreeItem* item) override;
  void batchAboutToBegin() override;
  void batchEnded(const tree::TreeBatch& batch) override;

 signals:
  // The control expanded or collapsed `index` (outside batches).
  void itemExpansionChanged(const QModelIndex& index, bool expanded);
  // The control's selection changed to `index` (invalid: none).
  void controlSelectionChanged(const QModelIndex& index);
  // A batch was delivered; views bring expansion and selection up to date.
  void batchDelivered(const tree::TreeBatch& batch);

 private:
  QModelIndex parentIndex(tree::TreeItem* parent) const;
  // Moves every persistent index to its item's current place, or
  // invalidates it when the item is no longer in the tree.
  void remapPersistentIndexes();

  tree::TreeControl& control_;
  bool in_batch_ = false;
};

// Whether `item` still hangs in the tree of `control`.
bool isAttached(const tree::TreeControl& control, const tree::TreeItem* item);

}  // namespace ui

#endif  // VOSTREL_UI_TREE_MODEL_H_
