// The panel model: settings, attaching nodes, the folder and query lists,
// expansion and deletion reported by the control, refresh all.
#include "tree/panel.h"

#include <algorithm>
#include <cassert>

#include "host/host.h"
#include "library_tables/track_search.h"
#include "tree/folder_node.h"
#include "tree/open_panels.h"
#include "tree/query_node.h"
#include "tree/query_result_node.h"

namespace tree {

Panel::Panel(host::Host& host, const UiAttributes& ui, PanelHooks hooks)
    : host_(host),
      database_(host),
      settings_(PanelSettings::defaults(ui)),
      ui_(ui),
      hooks_(std::move(hooks)),
      root_(this),
      control_(*this) {
  OpenPanels::instance().add(this);
}

Panel::~Panel() {
  // Nodes reach back into the panel while they go, so they go first.
  control_.collapseAndReset(nullptr);
  assert(folders_.empty() && queries_.empty());
  OpenPanels::instance().remove(this);
}

bool Panel::open() { return database_.Open(); }

void Panel::setSettings(const PanelSettings& settings) {
  settings_ = settings;
  root_.setNodeId(settings.root_node_id);
  resolveAttributes(root_, *root_.attributes());
}

void Panel::setUiAttributes(const UiAttributes& ui) {
  const bool colours_changed = ui.colours != ui_.colours;
  ui_ = ui;
  if (!settings_.use_ui_attributes) return;
  PanelSettings updated = settings_;
  updated.takeUiAttributes(ui);
  setSettings(updated);
  if (colours_changed) reapplyAttributes();
}

bool Panel::readSettings(std::span<const uint8_t> stream) {
  PanelSettings read;
  const bool found = readPanelSettings(stream, ui_, read);
  // A panel that follows the desktop takes its font and colours as they are
  // now, not as they were when the record was written.
  if (read.use_ui_attributes) read.takeUiAttributes(ui_);
  setSettings(read);
  return found;
}

std::vector<uint8_t> Panel::writeSettings() const {
  PanelSettings current = settings_;
  current.root_node_id = root_.nodeId();
  return writePanelSettings(current);
}

TreeNode* Panel::nodeForItem(TreeItem* item) {
  if (item != nullptr) return item->node();
  if (root_.nodeId() == 0) {
    resolveAttributes(root_, *root_.attributes());
    db::SQLiteColumns properties;
    properties.emplace("tri_level", root_.level());
    properties.emplace("tri_node_type", static_cast<uint8_t>(NodeType::kRoot));
    root_.collectProperties(properties);
    if (!insertRow(root_, properties)) return nullptr;
    settings_.root_node_id = root_.nodeId();
  }
  return &root_;
}

TreeNode* Panel::attach(std::unique_ptr<TreeNode> owned, bool is_new) {
  assert(owned != nullptr);
  if (owned->type() == NodeType::kQueryResult) return attachResult(std::move(owned));
  // A new node's row names its parent's row, so the root needs one first.
  if (is_new && owned->parent() == &root_ && nodeForItem(nullptr) == nullptr) return nullptr;
  TreeNode& node = *owned;
  NodeAttributes* block = node.attributes();
  if (block != nullptr) resolveAttributes(node, *block);
  TreeNode* parent = node.parent();
  ItemData data;
  data.text = node.displayText();
  data.image = data.selected_image = block ? block->icon : kDefaultIcon;
  data.has_children = node.hasPendingChildren();
  TreeItem* item = control_.insert(parent ? parent->item() : nullptr, TreeControl::Position::kSorted,
                                   std::move(data), std::move(owned));
  if (item == nullptr) return nullptr;
  node.item_ = item;
  if (node.level() == 0 && parent != nullptr) node.setLevel(static_cast<uint8_t>(parent->level() + 1));
  if (is_new) {
    control_.select(item);
    db::SQLiteColumns properties;
    properties.emplace("tri_parent_id", parent ? parent->nodeId() : 0);
    properties.emplace("tri_level", node.level());
    properties.emplace("tri_node_type", static_cast<uint8_t>(node.type()));
    node.collectProperties(properties);
    if (!insertRow(node, properties)) {
      control_.remove(item);  // releases the node
      return nullptr;
    }
  }
  if (node.type() == NodeType::kFolder) folders_.push_back(static_cast<FolderNode*>(&node));
  if (node.type() == NodeType::kQuery) queries_.push_back(static_cast<QueryNode*>(&node));
  return &node;
}

// Result nodes go to the end of their parent's children, and every node
// they pass on the way up counts them.
TreeNode* Panel::attachResult(std::unique_ptr<TreeNode> owned) {
  auto& node = static_cast<QueryResultNode&>(*owned);
  TreeNode* parent = node.parent();
  assert(parent != nullptr && parent->item() != nullptr);
  NodeAttributes* block = node.attributes();
  if (block != nullptr) resolveAttributes(node, *block);
  ItemData data;
  data.text = node.displayText();
  data.image = data.selected_image = block ? block->icon : kDefaultIcon;

  if (parent->type() == NodeType::kQueryResult) {
    auto* up = static_cast<QueryResultNode*>(parent);
    // A leaf that gets its first child stays one leaf for those above it.
    const bool was_leaf = up->leaf_count_ == 0;
    ++up->subitem_count_;
    up->parent()->widenSubitemCount(up->subitem_count_);
    ++up->leaf_count_;
    up->parent()->widenLeafCount(up->leaf_count_);
    if (!was_leaf) {
      for (TreeNode* above = up->parent(); above->type() == NodeType::kQueryResult; above = above->parent()) {
        auto* ancestor = static_cast<QueryResultNode*>(above);
        ++ancestor->leaf_count_;
        ancestor->parent()->widenLeafCount(ancestor->leaf_count_);
      }
    }
  }

  TreeItem* item = control_.insert(parent->item(), TreeControl::Position::kLast, std::move(data), std::move(owned));
  if (item == nullptr) return nullptr;
  node.item_ = item;
  return &node;
}

bool Panel::refreshAll() {
  if (query_active_) return false;
  showQueryActive();
  bool ok = true;
  {
    RedrawSuspension suspension(control_);
    // By index: a run lets user input through, which may change the list.
    for (std::size_t i = 0; i < queries_.size(); ++i) {
      if (!queries_[i]->refresh(false)) {
        ok = false;
        break;
      }
    }
  }
  hideQueryActive();
  return ok;
}

bool Panel::setSearchText(std::string_view text) {
  if (query_active_ || database_.IsBusy() || !database_.isOpen()) return false;
  std::shared_ptr<library_tables::TrackFilter> filter = library_tables::makeTrackFilter(text);
  std::vector<std::string> terms = filter ? filter->terms() : std::vector<std::string>{};
  search_text_ = std::string(text);
  if (search_complete_ && terms == search_terms_) return true;
  search_terms_ = std::move(terms);
  database_.setLibraryFilter(std::move(filter));
  search_running_ = true;
  search_superseded_ = false;
  showQueryActive();
  bool ok = true;
  const uint64_t interrupts = database_.interruptCount();
  {
    RedrawSuspension suspension(control_);
    // By index: a run lets user input through, which may change the list.
    // A node that fails does not keep the others from the new text; an
    // interruption (Esc, a newer text, the window closing) stops them all.
    for (std::size_t i = 0; i < queries_.size() && database_.interruptCount() == interrupts; ++i) {
      if (queries_[i]->hasRun() && !queries_[i]->refresh(false)) ok = false;
    }
  }
  hideQueryActive();
  search_running_ = false;
  // A search cut short left some nodes run under no text in particular: the
  // next text runs them again, even when its terms are the same.
  search_complete_ = database_.interruptCount() == interrupts;
  if (!search_complete_) ok = false;
  return ok;
}

void Panel::supersedeSearch() {
  if (!search_running_) return;
  search_superseded_ = true;
  database_.Interrupt();
}

void Panel::reapplyAttributes() {
  resolveAttributes(root_, *root_.attributes());
  for (FolderNode* folder : folders_) {
    resolveAttributes(*folder, *folder->attributes());
    folder->updateItem(false);
  }
  for (QueryNode* query : queries_) {
    resolveAttributes(*query, *query->attributes());
    propagateLevelAttributes(*query, 0);
    query->updateItem(false);
  }
}

void Panel::showQueryActive() {
  query_active_ = true;
  if (hooks_.query_active_changed) hooks_.query_active_changed(true);
}

void Panel::hideQueryActive() {
  query_active_ = false;
  if (hooks_.query_active_changed) hooks_.query_active_changed(false);
  resumeFollowing();
}

FolderNode* Panel::findFolder(const TreeNode* parent, std::string_view label) const {
  for (FolderNode* folder : folders_) {
    if (folder->parent() == parent && folder->label() == label) return folder;
  }
  return nullptr;
}

QueryNode* Panel::findQuery(const TreeNode* parent, std::string_view label) const {
  for (QueryNode* query : queries_) {
    if (query->parent() == parent && query->label() == label) return query;
  }
  return nullptr;
}

void Panel::forgetNode(const TreeNode* node) {
  if (node->type() == NodeType::kFolder) std::erase(folders_, node);
  if (node->type() == NodeType::kQuery) std::erase(queries_, node);
}

void Panel::endEditing() {
  if (editing_ > 0) --editing_;
  resumeFollowing();
}

void Panel::resumeFollowing() {
  if (!follow_pending_ || editing_ > 0 || query_active_) return;
  if (hooks_.defer) {
    hooks_.defer([this] { runFollowing(); });
  } else {
    runFollowing();
  }
}

namespace {

// Whether the user sees the node's children: its item and every item above
// it are expanded.
bool shownExpanded(const TreeNode& node) {
  const TreeItem* item = node.item();
  if (item == nullptr || !item->expanded()) return false;
  for (const TreeItem* above = item->parent(); above != nullptr; above = above->parent()) {
    if (!above->expanded()) return false;
  }
  return true;
}

}  // namespace

void Panel::followedTrackChanged() {
  if (!settings_.follow_playing) return;
  follow_pending_ = true;
  resumeFollowing();
}

void Panel::runFollowing() {
  if (!follow_pending_ || editing_ > 0 || query_active_) return;
  follow_pending_ = false;
  if (!settings_.follow_playing) return;
  std::vector<QueryNode*> due;
  for (QueryNode* query : queries_) {
    if ((query->tablesRead() & kReadsFollowedTrack) != 0 && query->stale() && shownExpanded(*query)) {
      due.push_back(query);
    }
  }
  for (QueryNode* query : due) {
    // A run lets user input through: an edit may begin, a node may go.
    if (editing_ > 0) {
      follow_pending_ = true;
      return;
    }
    if (std::find(queries_.begin(), queries_.end(), query) == queries_.end() || !query->stale()) continue;
    query->refresh(true);
  }
}

bool Panel::expandNode(TreeNode& node, bool expand) {
  if (node.item() == nullptr) return false;
  return control_.userSetExpanded(node.item(), expand);
}

bool Panel::itemExpanding(TreeItem& item) {
  TreeNode* node = item.node();
  return node != nullptr && node->expanding();
}

void Panel::itemExpanded(TreeItem& item, bool expanded) {
  if (TreeNode* node = item.node()) node->expanded(expanded);
}

void Panel::itemDeleted(TreeItem& item) {
  if (TreeNode* node = item.node()) forgetNode(node);
}

std::unique_ptr<TreeNode> makeNode(uint8_t type, Panel* panel) {
  switch (static_cast<NodeType>(type)) {
    case NodeType::kRoot: return std::make_unique<RootNode>(panel);
    case NodeType::kFolder: return std::make_unique<FolderNode>(panel, nullptr);
    case NodeType::kQuery: return std::make_unique<QueryNode>(panel, nullptr);
    default: return nullptr;
  }
}

}  // namespace tree
