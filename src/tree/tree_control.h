// TreeControl: the in-memory tree of items that a panel shows.
//
// It stands where a native tree-view control would: items with a text, an
// image, a selected image, a has-children flag, an expanded state and a
// parameter (the node the item shows); insertion at the end of a parent's
// children or at its sorted position; deletion of a branch, reported item by
// item (children first) to the owner; programmatic expand, collapse and
// collapse-and-reset; a caret selection; re-sorting of one parent's children.
//
// Items own their nodes: deleting an item destroys its node at once. Views
// observe the control through TreeObserver. While redraw is suspended
// (counted, see RedrawSuspension) no per-item notification is sent; the
// observers get one batch instead, and items removed during the batch stay
// allocated (without their nodes) until the batch has been delivered, so a
// view never holds a dangling item.
#ifndef VOSTREL_TREE_TREE_CONTROL_H_
#define VOSTREL_TREE_TREE_CONTROL_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tree/tree_item.h"

namespace tree {

// What changed during one batch (redraw suspension).
struct TreeBatch {
  bool structure_changed = false;  // items inserted, removed or reordered
  bool data_changed = false;       // texts, images, has-children flags
  bool expansion_changed = false;
  bool selection_changed = false;
};

// A view of the control. Outside batches every change is announced before
// and after it happens; during a batch only batchAboutToBegin and batchEnded.
class TreeObserver {
 public:
  virtual ~TreeObserver() = default;
  virtual void itemsAboutToBeInserted(TreeItem* parent, std::size_t first, std::size_t last) = 0;
  virtual void itemsInserted(TreeItem* parent, std::size_t first, std::size_t last) = 0;
  virtual void itemsAboutToBeRemoved(TreeItem* parent, std::size_t first, std::size_t last) = 0;
  virtual void itemsRemoved(TreeItem* parent, std::size_t first, std::size_t last) = 0;
  virtual void childrenAboutToBeReordered(TreeItem* parent) = 0;
  virtual void childrenReordered(TreeItem* parent) = 0;
  virtual void itemChanged(TreeItem* item) = 0;
  virtual void expansionChanged(TreeItem* item) = 0;
  virtual void selectionChanged(TreeItem* item) = 0;
  virtual void batchAboutToBegin() = 0;
  virtual void batchEnded(const TreeBatch& batch) = 0;
};

// The owner of the items' nodes (the panel): told about user expansion and
// about every deleted item.
class TreeControlOwner {
 public:
  virtual ~TreeControlOwner() = default;
  // A user expansion is about to happen; true cancels it.
  virtual bool itemExpanding(TreeItem& item) = 0;
  virtual void itemExpanded(TreeItem& item, bool expanded) = 0;
  // `item` is being deleted; its node is destroyed right after this call.
  virtual void itemDeleted(TreeItem& item) = 0;
};

class TreeControl {
 public:
  enum class Position { kLast, kSorted };

  explicit TreeControl(TreeControlOwner& owner);
  ~TreeControl();
  TreeControl(const TreeControl&) = delete;
  TreeControl& operator=(const TreeControl&) = delete;

  // The invisible top: its children are the top-level items.
  TreeItem* top() { return &top_; }
  const TreeItem* top() const { return &top_; }

  // Inserts an item under `parent` (nullptr: top level) that owns `node`.
  // Returns the new item.
  TreeItem* insert(TreeItem* parent, Position position, ItemData data, std::unique_ptr<TreeNode> node);

  // Deletes `item` and its branch; the owner is told of every item,
  // children first.
  void remove(TreeItem* item);
  // Deletes every child of `item` (collapse-and-reset) and collapses it.
  void collapseAndReset(TreeItem* item);

  // Programmatic expansion: no owner notification.
  void setExpanded(TreeItem* item, bool expanded);
  // Expansion asked for by the user: the owner may cancel it and is told
  // of the new state. Returns whether the item is now expanded.
  bool userSetExpanded(TreeItem* item, bool expanded);

  void setData(TreeItem* item, const ItemData& data);
  void setText(TreeItem* item, std::string text);
  void setHasChildren(TreeItem* item, bool has_children);
  // Sorts the children of `parent` (nullptr: top level) by text.
  void sortChildren(TreeItem* parent);

  // The caret selection; nullptr for none.
  TreeItem* selection() const { return selection_; }
  void select(TreeItem* item);

  // Counted redraw suspension; the outermost resume delivers the batch.
  void suspendRedraw();
  void resumeRedraw();
  bool redrawSuspended() const { return suspension_ > 0; }

  void addObserver(TreeObserver* observer);
  void removeObserver(TreeObserver* observer);

  std::size_t itemCount() const { return item_count_; }

 private:
  std::size_t sortedPosition(const TreeItem& parent, const std::string& text) const;
  void destroyBranch(TreeItem& item);
  void detachChildren(TreeItem& parent, std::size_t first, std::size_t last);
  void renumber(TreeItem& parent, std::size_t from);
  TreeItem& resolve(TreeItem* item) { return item ? *item : top_; }

  template <typename Notify>
  void notify(Notify notify_one);

  TreeControlOwner& owner_;
  TreeItem top_;
  TreeItem* selection_ = nullptr;
  std::size_t item_count_ = 0;
  int suspension_ = 0;
  TreeBatch batch_;
  std::vector<std::unique_ptr<TreeItem>> removed_in_batch_;
  std::vector<TreeObserver*> observers_;
};

// Suspends redraw for the life of the object.
class RedrawSuspension {
 public:
  explicit RedrawSuspension(TreeControl& control) : control_(control) { control_.suspendRedraw(); }
  ~RedrawSuspension() { control_.resumeRedraw(); }
  RedrawSuspension(const RedrawSuspension&) = delete;
  RedrawSuspension& operator=(const RedrawSuspension&) = delete;

 private:
  TreeControl& control_;
};

}  // namespace tree

#endif  // VOSTREL_TREE_TREE_CONTROL_H_
