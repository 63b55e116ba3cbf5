// Panel: everything a tree panel does that is not drawing. It owns the
// panel's database connection, its TreeControl (whose items own the nodes),
// its settings and its embedded root node, and keeps the lists of its folder
// and query nodes. As the control's owner it turns user expansion and item
// deletion into node calls.
//
//   Panel panel(host, ui);
//   panel.readSettings(stream);      // root id, colours, font
//   panel.open();                    // connection; the tree is loaded next
//   panel.refreshAll();
//
// The layers above plug in through PanelHooks: the view shows the "Query
// active" label, dialogs edit nodes, the console takes SQL.
#ifndef VOSTREL_TREE_PANEL_H_
#define VOSTREL_TREE_PANEL_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "tree/panel_settings.h"
#include "tree/root_node.h"
#include "tree/tree_control.h"

namespace host {
class Host;
}

namespace tree {

class FolderNode;
class QueryNode;

struct PanelHooks {
  // The "Query active" label was shown (true) or hidden (false).
  std::function<void(bool visible)> query_active_changed;
  // Edits a folder or query node in its dialog; true on OK. Without this
  // hook nodes cannot be edited.
  std::function<bool(TreeNode& node)> edit_node;
  // Opens the console with `sql` as its script and runs it.
  std::function<void(const std::string& sql)> send_to_console;
  // The library tables may have changed: open preference pages reload.
  std::function<void()> reload_table_pages;
  // Runs `work` soon from the event loop, while the panel lives; without
  // this hook such work runs at once.
  std::function<void(std::function<void()> work)> defer;
};

class Panel : public TreeControlOwner {
 public:
  Panel(host::Host& host, const UiAttributes& ui, PanelHooks hooks = {});
  // Deletes every item (and so every node) while the panel is still whole,
  // then leaves the list of open panels.
  ~Panel() override;
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  // Opens the connection; false when it cannot be opened (already reported).
  // Until it is open, every operation that needs the database reports
  // failure (no root row, no saves, no runs).
  bool open();

  host::Host& host() const { return host_; }
  db::SQLiteDatabase& database() { return database_; }
  TreeControl& control() { return control_; }
  RootNode& root() { return root_; }
  PanelHooks& hooks() { return hooks_; }

  // Settings. Setting them resolves the root's inherited attributes again.
  const PanelSettings& settings() const { return settings_; }
  void setSettings(const PanelSettings& settings);
  const UiAttributes& uiAttributes() const { return ui_; }
  // Takes new desktop font and colours; when the panel follows them they
  // replace its own, and after a colour change attributes are re-applied.
  void setUiAttributes(const UiAttributes& ui);
  // The stored form, with the current root id. A panel that follows the
  // desktop's font and colours takes the current ones over the stored.
  bool readSettings(std::span<const uint8_t> stream);
  std::vector<uint8_t> writeSettings() const;
  int32_t rootNodeId() const { return root_.nodeId(); }

  // The node of `item`; for no item the root node, whose row is inserted
  // first when it has none (its id then becomes the panel's root id).
  // nullptr when that insertion fails.
  TreeNode* nodeForItem(TreeItem* item);

  // Puts `node` (whose parent is set) into the control below its parent and,
  // when `is_new`, selects it and inserts its row. Folder and query nodes
  // join the panel's lists. Returns the node, or nullptr when it could not
  // be attached (the node is then released).
  TreeNode* attach(std::unique_ptr<TreeNode> node, bool is_new);

  // Asks "Are you sure?", deletes the node's row (and with it its subtree)
  // and then its item. Folder and query nodes only. False on No, on a
  // database error, or while a statement of this panel runs (the item
  // stays).
  bool deleteNode(TreeNode& node);

  // Inserts or updates a stored node's row (a query node with its level
  // options) in one transaction. False after a database error, which is
  // written framed to the console.
  bool insertRow(TreeNode& node, db::SQLiteColumns& properties);
  bool save(TreeNode& node);

  // Runs every query node in list order (not interactive) under the "Query
  // active" label and one redraw suspension; stops at the first failure.
  bool refreshAll();
  // The search: the panel's connection shows only the library tracks that
  // match `text` (see library_tables/track_search.h; a text without terms
  // shows them all), and every query node that has run runs again under
  // the "Query active" label, the others staying as they are. Nothing
  // happens for a text with the same terms as the current one. False while
  // a statement of this panel runs (nothing changes then), or when a run
  // failed or was interrupted; the runs after a failed one still go on, an
  // interruption stops them.
  bool setSearchText(std::string_view text);
  const std::string& searchText() const { return search_text_; }
  bool searchRunning() const { return search_running_; }
  // Interrupts the running search's statement because a newer text makes
  // its result useless; the interruption is not reported.
  void supersedeSearch();
  bool searchSuperseded() const { return search_superseded_; }

  // Resolves inherited attributes of the root, the folders and the query
  // nodes (with their level options) and updates their items.
  void reapplyAttributes();

  // The "Query active" label: visible while a run or an action is going on.
  bool queryActive() const { return query_active_; }
  void showQueryActive();
  void hideQueryActive();

  const std::vector<FolderNode*>& folders() const { return folders_; }
  const std::vector<QueryNode*>& queries() const { return queries_; }
  // The first folder (query) node with this parent and a byte-equal label.
  FolderNode* findFolder(const TreeNode* parent, std::string_view label) const;
  QueryNode* findQuery(const TreeNode* parent, std::string_view label) const;
  // Removes a node from the folder or query list (no-op when absent).
  void forgetNode(const TreeNode* node);

  // Editing: while a node's dialog or the options dialog is open (an
  // EditingScope lives), the panel runs nothing on its own.
  bool editing() const { return editing_ > 0; }
  void beginEditing() { ++editing_; }
  // Ends one editing scope; when the last one ends, the re-runs that a
  // track change during the edit left are done (deferred).
  void endEditing();

  // The playing or focused track changed (the notification marked the
  // nodes that follow it stale). With the option "Re-run visible nodes that
  // follow the playing track" on, runs every stale query node that follows
  // the track and is expanded and visible, once, from the event loop (the
  // defer hook). While the user edits or a statement of the panel runs, it
  // waits until the edit or the run ends.
  void followedTrackChanged();

  // Expands or collapses a node's item as the user would (the node may
  // cancel an expansion). Returns whether the item is now expanded.
  bool expandNode(TreeNode& node, bool expand);

  // TreeControlOwner.
  bool itemExpanding(TreeItem& item) override;
  void itemExpanded(TreeItem& item, bool expanded) override;
  void itemDeleted(TreeItem& item) override;

 private:
  TreeNode* attachResult(std::unique_ptr<TreeNode> node);
  // Does the re-runs a track change left pending, once nothing holds them:
  // through the defer hook when there is one.
  void resumeFollowing();
  void runFollowing();

  host::Host& host_;
  db::SQLiteDatabase database_;
  PanelSettings settings_;
  UiAttributes ui_;
  PanelHooks hooks_;
  RootNode root_;
  std::vector<FolderNode*> folders_;
  std::vector<QueryNode*> queries_;
  bool query_active_ = false;
  int editing_ = 0;
  bool follow_pending_ = false;
  std::string search_text_;
  std::vector<std::string> search_terms_;
  bool search_complete_ = true;
  bool search_running_ = false;
  bool search_superseded_ = false;
  // Last member: destroyed first, while the rest of the panel is whole.
  TreeControl control_;
};

class EditingScope {
 public:
  explicit EditingScope(Panel& panel) : panel_(panel) { panel_.beginEditing(); }
  ~EditingScope() { panel_.endEditing(); }
  EditingScope(const EditingScope&) = delete;
  EditingScope& operator=(const EditingScope&) = delete;

 private:
  Panel& panel_;
};

// The node types that a stored row can hold: 1 root, 2 folder, 3 query, each
// with no parent yet; nullptr for any other code.
std::unique_ptr<TreeNode> makeNode(uint8_t type, Panel* panel);

}  // namespace tree

#endif  // VOSTREL_TREE_PANEL_H_
