#include "tree/tree_control.h"

#include <algorithm>
#include <cassert>

#include "db/natural_compare.h"
#include "tree/tree_node.h"

namespace tree {

TreeItem::TreeItem() = default;
TreeItem::~TreeItem() = default;

TreeControl::TreeControl(TreeControlOwner& owner) : owner_(owner) { top_.is_top_ = true; }

TreeControl::~TreeControl() {
  // Nodes may reach back into their panel while they are destroyed, so the
  // branches go one by one while the control is still whole.
  observers_.clear();
  while (!top_.children_.empty()) remove(top_.children_.back().get());
  removed_in_batch_.clear();
}

template <typename Notify>
void TreeControl::notify(Notify notify_one) {
  if (suspension_ > 0) return;
  for (TreeObserver* observer : observers_) notify_one(*observer);
}

std::size_t TreeControl::sortedPosition(const TreeItem& parent, const std::string& text) const {
  // After every sibling that does not sort after the new text.
  auto it = std::upper_bound(parent.children_.begin(), parent.children_.end(), text,
                             [](const std::string& value, const std::unique_ptr<TreeItem>& item) {
                               return db::naturalCompare(value, item->data_.text) < 0;
                             });
  return static_cast<std::size_t>(it - parent.children_.begin());
}

void TreeControl::renumber(TreeItem& parent, std::size_t from) {
  for (std::size_t i = from; i < parent.children_.size(); ++i) parent.children_[i]->row_ = i;
}

TreeItem* TreeControl::insert(TreeItem* parent_item, Position position, ItemData data,
                              std::unique_ptr<TreeNode> node) {
  TreeItem& parent = resolve(parent_item);
  const std::size_t row =
      position == Position::kLast ? parent.children_.size() : sortedPosition(parent, data.text);
  notify([&](TreeObserver& o) { o.itemsAboutToBeInserted(parent_item, row, row); });
  auto item = std::make_unique<TreeItem>();
  item->parent_ = &parent;
  item->row_ = row;
  item->data_ = std::move(data);
  item->node_ = std::move(node);
  TreeItem* result = item.get();
  parent.children_.insert(parent.children_.begin() + static_cast<std::ptrdiff_t>(row), std::move(item));
  if (row + 1 < parent.children_.size()) renumber(parent, row + 1);
  ++item_count_;
  batch_.structure_changed = true;
  notify([&](TreeObserver& o) { o.itemsInserted(parent_item, row, row); });
  return result;
}

void TreeControl::destroyBranch(TreeItem& item) {
  for (auto it = item.children_.rbegin(); it != item.children_.rend(); ++it) destroyBranch(**it);
  if (selection_ == &item) {
    selection_ = nullptr;
    batch_.selection_changed = true;
  }
  owner_.itemDeleted(item);
  item.node_.reset();
  --item_count_;
}

void TreeControl::detachChildren(TreeItem& parent, std::size_t first, std::size_t last) {
  TreeItem* parent_item = parent.is_top_ ? nullptr : &parent;
  notify([&](TreeObserver& o) { o.itemsAboutToBeRemoved(parent_item, first, last); });
  const bool had_selection = selection_ != nullptr;
  for (std::size_t i = first; i <= last; ++i) destroyBranch(*parent.children_[i]);
  auto begin = parent.children_.begin() + static_cast<std::ptrdiff_t>(first);
  auto end = parent.children_.begin() + static_cast<std::ptrdiff_t>(last + 1);
  if (suspension_ > 0) {
    // Views may still hold these items until the batch is delivered.
    for (auto it = begin; it != end; ++it) removed_in_batch_.push_back(std::move(*it));
  }
  parent.children_.erase(begin, end);
  renumber(parent, first);
  batch_.structure_changed = true;
  notify([&](TreeObserver& o) { o.itemsRemoved(parent_item, first, last); });
  if (had_selection && selection_ == nullptr) notify([&](TreeObserver& o) { o.selectionChanged(nullptr); });
}

void TreeControl::remove(TreeItem* item) {
  assert(item != nullptr && !item->is_top_);
  TreeItem& parent = *item->parent_;
  detachChildren(parent, item->row_, item->row_);
}

void TreeControl::collapseAndReset(TreeItem* item) {
  TreeItem& target = resolve(item);
  if (!target.children_.empty()) detachChildren(target, 0, target.children_.size() - 1);
  if (item != nullptr) setExpanded(item, false);
}

void TreeControl::setExpanded(TreeItem* item, bool expanded) {
  if (item == nullptr || item->expanded_ == expanded) return;
  item->expanded_ = expanded;
  batch_.expansion_changed = true;
  notify([&](TreeObserver& o) { o.expansionChanged(item); });
}

bool TreeControl::userSetExpanded(TreeItem* item, bool expanded) {
  if (item == nullptr || item->expanded_ == expanded) return item != nullptr && item->expanded_;
  if (expanded && owner_.itemExpanding(*item)) return false;
  setExpanded(item, expanded);
  owner_.itemExpanded(*item, expanded);
  return item->expanded_;
}

void TreeControl::setData(TreeItem* item, const ItemData& data) {
  item->data_ = data;
  batch_.data_changed = true;
  notify([&](TreeObserver& o) { o.itemChanged(item); });
}

void TreeControl::setText(TreeItem* item, std::string text) {
  item->data_.text = std::move(text);
  batch_.data_changed = true;
  notify([&](TreeObserver& o) { o.itemChanged(item); });
}

void TreeControl::setHasChildren(TreeItem* item, bool has_children) {
  if (item->data_.has_children == has_children) return;
  item->data_.has_children = has_children;
  batch_.data_changed = true;
  notify([&](TreeObserver& o) { o.itemChanged(item); });
}

void TreeControl::sortChildren(TreeItem* parent_item) {
  TreeItem& parent = resolve(parent_item);
  notify([&](TreeObserver& o) { o.childrenAboutToBeReordered(parent_item); });
  std::stable_sort(parent.children_.begin(), parent.children_.end(),
                   [](const std::unique_ptr<TreeItem>& a, const std::unique_ptr<TreeItem>& b) {
                     return db::naturalCompare(a->data_.text, b->data_.text) < 0;
                   });
  renumber(parent, 0);
  batch_.structure_changed = true;
  notify([&](TreeObserver& o) { o.childrenReordered(parent_item); });
}

void TreeControl::select(TreeItem* item) {
  if (selection_ == item) return;
  selection_ = item;
  batch_.selection_changed = true;
  notify([&](TreeObserver& o) { o.selectionChanged(item); });
}

void TreeControl::suspendRedraw() {
  if (suspension_++ > 0) return;
  batch_ = TreeBatch{};
  for (TreeObserver* observer : observers_) observer->batchAboutToBegin();
}

void TreeControl::resumeRedraw() {
  assert(suspension_ > 0);
  if (--suspension_ > 0) return;
  const TreeBatch batch = batch_;
  for (TreeObserver* observer : observers_) observer->batchEnded(batch);
  removed_in_batch_.clear();
}

void TreeControl::addObserver(TreeObserver* observer) { observers_.push_back(observer); }

void TreeControl::removeObserver(TreeObserver* observer) { std::erase(observers_, observer); }

}  // namespace tree
