#include "tree/tree_control.h"

#include <gtest/gtest.h>

#include "tree/tree_node.h"

namespace {

using tree::ItemData;
using tree::TreeControl;
using tree::TreeItem;

// A node that records its destruction.
class NamedNode : public tree::TreeNode {
 public:
  NamedNode(std::string name, std::vector<std::string>& destroyed)
      : tree::TreeNode(nullptr, nullptr, tree::NodeType::kFolder, name), name_(std::move(name)), destroyed_(destroyed) {}
  ~NamedNode() override { destroyed_.push_back(name_); }
  tree::NodeAttributes* attributes() override { return &attributes_; }

 private:
  std::string name_;
  std::vector<std::string>& destroyed_;
  tree::NodeAttributes attributes_;
};

class RecordingOwner : public tree::TreeControlOwner {
 public:
  bool itemExpanding(TreeItem& item) override { return item.text() == "locked"; }
  void itemExpanded(TreeItem& item, bool expanded) override {
    events.push_back((expanded ? "expanded " : "collapsed ") + item.text());
  }
  void itemDeleted(TreeItem& item) override {
    events.push_back("deleted " + item.text());
    EXPECT_NE(item.node(), nullptr) << "the node is still there when its deletion is reported";
  }
  std::vector<std::string> events;
};

// Counts what a view would be told.
class CountingObserver : public tree::TreeObserver {
 public:
  void itemsAboutToBeInserted(TreeItem*, std::size_t, std::size_t) override { ++about_to_insert; }
  void itemsInserted(TreeItem*, std::size_t, std::size_t) override { ++inserted; }
  void itemsAboutToBeRemoved(TreeItem*, std::size_t, std::size_t) override { ++about_to_remove; }
  void itemsRemoved(TreeItem*, std::size_t, std::size_t) override { ++removed; }
  void childrenAboutToBeReordered(TreeItem*) override {}
  void childrenReordered(TreeItem*) override { ++reordered; }
  void itemChanged(TreeItem*) override { ++changed; }
  void expansionChanged(TreeItem*) override { ++expansion; }
  void selectionChanged(TreeItem*) override { ++selection; }
  void batchAboutToBegin() override { ++batches_begun; }
  void batchEnded(const tree::TreeBatch& batch) override {
    ++batches_ended;
    last_batch = batch;
  }
  int about_to_insert = 0, inserted = 0, about_to_remove = 0, removed = 0, reordered = 0, changed = 0,
      expansion = 0, selection = 0, batches_begun = 0, batches_ended = 0;
  tree::TreeBatch last_batch;
};

class TreeControlTest : public ::testing::Test {
 protected:
  TreeItem* add(TreeItem* parent, const std::string& text,
                TreeControl::Position position = TreeControl::Position::kSorted) {
    return control.insert(parent, position, ItemData{text, 194, 194, false},
                          std::make_unique<NamedNode>(text, destroyed));
  }
  static std::vector<std::string> texts(const TreeItem* parent) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < parent->childCount(); ++i) {
      EXPECT_EQ(parent->child(i)->row(), i);
      out.push_back(parent->child(i)->text());
    }
    return out;
  }

  std::vector<std::string> destroyed;
  RecordingOwner owner;
  TreeControl control{owner};
};

TEST_F(TreeControlTest, SortedInsertionIsNaturalAndCaseInsensitive) {
  for (const char* text : {"Track 10", "track 2", "Album", "Track 1"}) add(nullptr, text);
  EXPECT_EQ(texts(control.top()), (std::vector<std::string>{"Album", "Track 1", "track 2", "Track 10"}));
  add(nullptr, "zz", TreeControl::Position::kLast);
  add(nullptr, "aa", TreeControl::Position::kLast);
  EXPECT_EQ(texts(control.top()).back(), "aa") << "appended items keep insertion order";
  control.sortChildren(nullptr);
  EXPECT_EQ(texts(control.top()).front(), "aa");
}

TEST_F(TreeControlTest, RemovingABranchReportsChildrenFirstAndDestroysNodes) {
  TreeItem* folder = add(nullptr, "folder");
  TreeItem* query = add(folder, "query");
  add(query, "r1", TreeControl::Position::kLast);
  add(query, "r2", TreeControl::Position::kLast);
  add(nullptr, "other");
  control.select(query);
  control.remove(folder);
  EXPECT_EQ(owner.events, (std::vector<std::string>{"deleted r2", "deleted r1", "deleted query", "deleted folder"}));
  EXPECT_EQ(destroyed.size(), 4u);
  EXPECT_EQ(control.selection(), nullptr);
  EXPECT_EQ(control.itemCount(), 1u);
  EXPECT_EQ(texts(control.top()), (std::vector<std::string>{"other"}));
}

TEST_F(TreeControlTest, CollapseAndResetDeletesChildren) {
  TreeItem* query = add(nullptr, "query");
  for (int i = 0; i < 3; ++i) add(query, "r" + std::to_string(i), TreeControl::Position::kLast);
  control.setExpanded(query, true);
  control.collapseAndReset(query);
  EXPECT_EQ(query->childCount(), 0u);
  EXPECT_FALSE(query->expanded());
  EXPECT_FALSE(query->showsExpander());
  control.setHasChildren(query, true);
  EXPECT_TRUE(query->showsExpander());
  EXPECT_TRUE(owner.events.size() == 3u) << "programmatic collapse tells the owner nothing else";
}

TEST_F(TreeControlTest, UserExpansionCanBeCancelledByOwner) {
  TreeItem* locked = add(nullptr, "locked");
  TreeItem* open = add(nullptr, "open");
  EXPECT_FALSE(control.userSetExpanded(locked, true));
  EXPECT_TRUE(control.userSetExpanded(open, true));
  EXPECT_FALSE(control.userSetExpanded(open, false));
  EXPECT_EQ(owner.events, (std::vector<std::string>{"expanded open", "collapsed open"}));
}

TEST_F(TreeControlTest, ObserversGetOneBatchPerSuspension) {
  CountingObserver observer;
  control.addObserver(&observer);
  TreeItem* query = add(nullptr, "query");
  EXPECT_EQ(observer.about_to_insert, 1);
  EXPECT_EQ(observer.inserted, 1);
  {
    tree::RedrawSuspension outer(control);
    {
      tree::RedrawSuspension inner(control);
      for (int i = 0; i < 100; ++i) add(query, "r" + std::to_string(i), TreeControl::Position::kLast);
    }
    EXPECT_EQ(observer.batches_ended, 0) << "nested suspensions only count";
    control.collapseAndReset(query);
    add(query, "fresh", TreeControl::Position::kLast);
  }
  EXPECT_EQ(observer.inserted, 1) << "no per-item notification inside a batch";
  EXPECT_EQ(observer.removed, 0);
  EXPECT_EQ(observer.batches_begun, 1);
  EXPECT_EQ(observer.batches_ended, 1);
  EXPECT_TRUE(observer.last_batch.structure_changed);
  EXPECT_EQ(destroyed.size(), 100u) << "nodes go at once, items only after the batch";
  control.remove(query);
  EXPECT_EQ(observer.removed, 1);
  control.removeObserver(&observer);
}

}  // namespace
