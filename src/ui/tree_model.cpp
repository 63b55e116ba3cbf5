#include "ui/tree_model.h"

#include "tree/tree_node.h"

namespace ui {

TreeModel::TreeModel(tree::TreeControl& control, QObject* parent) : QAbstractItemModel(parent), control_(control) {
  control_.addObserver(this);
}

TreeModel::~TreeModel() { control_.removeObserver(this); }

bool isAttached(const tree::TreeControl& control, const tree::TreeItem* item) {
  while (item != nullptr) {
    const tree::TreeItem* parent = item->parent();
    const tree::TreeItem& holder = parent ? *parent : *control.top();
    if (item->row() >= holder.childCount() || holder.child(item->row()) != item) return false;
    item = parent;
  }
  return true;
}

QModelIndex TreeModel::indexOf(const tree::TreeItem* item) const {
  if (item == nullptr) return {};
  return createIndex(static_cast<int>(item->row()), 0, const_cast<tree::TreeItem*>(item));
}

QModelIndex TreeModel::parentIndex(tree::TreeItem* parent) const { return indexOf(parent); }

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column != 0) return {};
  const tree::TreeItem* holder = parent.isValid() ? itemOf(parent) : control_.top();
  if (static_cast<std::size_t>(row) >= holder->childCount()) return {};
  return createIndex(row, 0, holder->child(static_cast<std::size_t>(row)));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  return indexOf(itemOf(child)->parent());
}

int TreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  const tree::TreeItem* holder = parent.isValid() ? itemOf(parent) : control_.top();
  return static_cast<int>(holder->childCount());
}

int TreeModel::columnCount(const QModelIndex&) const { return 1; }

bool TreeModel::hasChildren(const QModelIndex& parent) const {
  if (!parent.isValid()) return control_.top()->childCount() > 0;
  if (parent.column() != 0) return false;
  return itemOf(parent)->showsExpander();
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const tree::TreeItem* item = itemOf(index);
  // Items removed in a running batch have lost their nodes.
  const tree::TreeNode* node = item->node();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      // The label, not the item text: the count box is painted, and
      // incremental search looks at what the user reads.
      return node ? QString::fromStdString(node->label()) : QString::fromStdString(item->text());
    default: return {};
  }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!itemOf(index)->showsExpander()) flags |= Qt::ItemNeverHasChildren;
  return flags;
}

void TreeModel::itemsAboutToBeInserted(tree::TreeItem* parent, std::size_t first, std::size_t last) {
  beginInsertRows(parentIndex(parent), static_cast<int>(first), static_cast<int>(last));
}

void TreeModel::itemsInserted(tree::TreeItem*, std::size_t, std::size_t) { endInsertRows(); }

void TreeModel::itemsAboutToBeRemoved(tree::TreeItem* parent, std::size_t first, std::size_t last) {
  beginRemoveRows(parentIndex(parent), static_cast<int>(first), static_cast<int>(last));
}

void TreeModel::itemsRemoved(tree::TreeItem*, std::size_t, std::size_t) { endRemoveRows(); }

void TreeModel::childrenAboutToBeReordered(tree::TreeItem* parent) {
  emit layoutAboutToBeChanged({QPersistentModelIndex(parentIndex(parent))}, VerticalSortHint);
}

void TreeModel::childrenReordered(tree::TreeItem* parent) {
  remapPersistentIndexes();
  emit layoutChanged({QPersistentModelIndex(parentIndex(parent))}, VerticalSortHint);
}

void TreeModel::itemChanged(tree::TreeItem* item) {
  const QModelIndex index = indexOf(item);
  emit dataChanged(index, index);
}

void TreeModel::expansionChanged(tree::TreeItem* item) { emit itemExpansionChanged(indexOf(item), item->expanded()); }

void TreeModel::selectionChanged(tree::TreeItem* item) { emit controlSelectionChanged(indexOf(item)); }

void TreeModel::batchAboutToBegin() {
  in_batch_ = true;
  emit layoutAboutToBeChanged();
}

void TreeModel::batchEnded(const tree::TreeBatch& batch) {
  remapPersistentIndexes();
  in_batch_ = false;
  emit layoutChanged();
  emit batchDelivered(batch);
}

void TreeModel::remapPersistentIndexes() {
  const QModelIndexList old = persistentIndexList();
  QModelIndexList now;
  now.reserve(old.size());
  for (const QModelIndex& index : old) {
    tree::TreeItem* item = itemOf(index);
    now.append(isAttached(control_, item) ? createIndex(static_cast<int>(item->row()), index.column(), item)
                                          : QModelIndex());
  }
  changePersistentIndexList(old, now);
}

}  // namespace ui
