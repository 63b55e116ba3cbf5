// TreePanel: the dockable window that shows one stored tree. It owns a
// tree::Panel (its connection, settings and root node), shows the panel's
// TreeControl in a PanelTreeView through a TreeModel, and turns clicks, keys
// and context-menu commands into node calls. The "Query active" label lies
// over the bottom edge while a query or an action runs.
//
//   auto* panel = new ui::TreePanel(host, uiHost, record, sendToConsole);
//   dock->setWidget(panel);
//   panel->loadTree();                       // "Unable to populate tree."
//   layout["panel"] = panel->settingsRecord();
//
// While a query of this panel runs, the host lets events through: clicks on
// the tree are swallowed, keys other than Esc go to the host, the context
// menu only offers "Abort query". The panel may even be destroyed then: it
// interrupts the statement and its tree::Panel lives on, out of sight, until
// the run has unwound.
#ifndef VOSTREL_UI_TREE_PANEL_H_
#define VOSTREL_UI_TREE_PANEL_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <QFrame>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QStringList>

#include "tree/panel.h"

class QContextMenuEvent;
class QHelpEvent;
class QKeyEvent;
class QLabel;
class QMenu;
class QMouseEvent;

namespace host {
class Host;
}

namespace ui {

class PanelHint;
class PanelSearch;
class PanelTreeView;
class TreeDelegate;
class TreeModel;
class UiHost;

class TreePanel : public QFrame {
  Q_OBJECT

 public:
  // Edits a folder or query node in a dialog owned by `parent`; true on OK.
  using NodeEditor = std::function<bool(QWidget* parent, tree::TreeNode& node)>;
  // Edits a copy of the panel's settings; true on OK.
  using OptionsEditor = std::function<bool(QWidget* parent, tree::PanelSettings& settings)>;
  // Asks for the tree file to export to (`save`, suggesting `name`) or to
  // import; an empty string when the user cancels. The default runs a file
  // dialog.
  using FileChooser = std::function<QString(QWidget* parent, bool save, const QString& name)>;
  // Shows `menu` at `globalPos` and returns the chosen action (nullptr for
  // none). The default runs QMenu::exec.
  using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& globalPos)>;

  TreePanel(host::Host& host, UiHost& ui_host, std::span<const uint8_t> settings_record,
            std::function<void(const std::string& sql)> send_to_console, QWidget* parent = nullptr);
  ~TreePanel() override;

  // The 135-byte settings record, with the current root id.
  std::vector<uint8_t> settingsRecord() const;
  tree::Panel& panel() { return *panel_; }
  // Opens the connection and loads the tree (a panel without a stored tree
  // gets the example tree). On failure shows "Unable to populate tree." and
  // keeps the stored tree and the root id.
  bool loadTree();
  // Marks stale the query nodes that read a table of `kinds` (bit 1
  // MediaLibrary, bit 2 Playlist) and repaints them.
  void markStale(unsigned kinds);

  // Puts the focus into the search field, its text selected (Ctrl+F).
  void focusSearch();
  PanelSearch* search() const { return search_; }

  // A statement runs on this panel's connection.
  bool queryRunning() const;
  void abortQuery();
  // Keeps the panel's tree::Panel alive while the result is held, even when
  // this window closes meanwhile: for work on the panel that lets events
  // through between its statements.
  std::shared_ptr<void> holdPanel();
  // Interrupts the statements running on every open panel (at quit).
  static void abortAllQueries();

  // Runs context-menu command `id` on `node`.
  void runCommand(int id, tree::TreeNode& node);
  // Re-applies the settings against `old` (nullptr: all of them).
  void applySettings(const tree::PanelSettings* old, bool redraw);

  // The node at a point of the view's viewport: the item's node, or the
  // root for empty space (its row is inserted first when the panel has
  // none); nullptr when there is no node.
  tree::TreeNode* nodeAt(const QPoint& viewportPos);
  // The tooltip at a point: the whole label of an item cut off at the right
  // edge; for a query node also queryNodeTips. Empty when there is nothing
  // to say.
  QString toolTipAt(const QPoint& viewportPos) const;

  // What a user does to the node at `index` with the mouse or the keys,
  // for assistive tools: expand or collapse it (as its expand button does),
  // select it and run its click action, open its context menu at the node,
  // make it the selection. Nothing happens while a query runs.
  void setNodeExpanded(const QModelIndex& index, bool expanded);
  void clickNode(const QModelIndex& index);
  void showNodeMenu(const QModelIndex& index);
  void selectNode(const QModelIndex& index);
  // Find (Ctrl+F from anywhere in the window): focuses the panel's search
  // field. True when the panel has one (every panel does).
  bool find();

  void setNodeEditor(NodeEditor editor) { node_editor_ = std::move(editor); }
  void setOptionsEditor(OptionsEditor editor) { options_editor_ = std::move(editor); }
  void setMenuRunner(MenuRunner runner) { menu_runner_ = std::move(runner); }
  void setFileChooser(FileChooser chooser) { file_chooser_ = std::move(chooser); }

  // Writes `node` (a folder or query node) with everything below it to the
  // tree file `path`. False, after a message box, when it cannot be written.
  bool exportTree(tree::TreeNode& node, const QString& path);
  // Imports the tree file `path` below `parent` (the root or a folder),
  // shows and selects the new node. False, after a message box naming the
  // file and the fault, when nothing was imported.
  bool importTree(const QString& path, tree::TreeNode& parent);

  PanelTreeView* view() const { return view_; }
  TreeModel* model() const { return model_; }
  QLabel* queryActiveLabel() const { return label_; }
  // The hint at the top; nullptr once closed (or when none is wanted).
  PanelHint* hint() const { return hint_; }

 signals:
  // The settings record may have changed (root id, options, UI attributes).
  void settingsChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  bool mousePress(QMouseEvent* event);
  bool mouseRelease(QMouseEvent* event);
  // Whether the pointer at `pos` has moved from the pending press as far as
  // a drag.
  bool isDrag(const QPoint& pos) const;
  bool mouseDoubleClick(QMouseEvent* event);
  // Drags the node pressed on (query and result nodes) once the mouse has
  // moved far enough with the left button down.
  bool mouseMove(QMouseEvent* event);
  bool keyPress(QKeyEvent* event);
  bool arrowKey(int key);
  void contextMenu(QContextMenuEvent* event);
  // The menu of the selected node, at the node (the Menu key, Shift+F10).
  void keyboardMenu();
  // The menu of the node at `pos` (viewport coordinates), shown at `global`.
  void openMenu(const QPoint& pos, const QPoint& global);
  bool toolTip(QHelpEvent* event);
  void command(int id, tree::TreeNode& node);
  void newNode(tree::TreeNode& parent, bool folder);
  // "Export..." and "Import...": ask for the file, then export or import.
  void exportAsked(tree::TreeNode& node);
  void importAsked(tree::TreeNode& parent);
  // Dragged tree files (.json) are imported below the folder under the
  // pointer. True when the event was handled.
  bool dragEvent(QEvent* event);
  void toggleExpansion(const QModelIndex& index);
  void selectInView(const QModelIndex& index);
  void syncExpansion(const QModelIndex& parent);
  void batchDelivered();
  void uiAttributesChanged();
  void layoutChildren();
  void closeWhenIdle();
  void noteSettings();
  void runSearch(const QString& text);

  host::Host& host_;
  UiHost& ui_host_;
  std::unique_ptr<tree::Panel> panel_;
  PanelTreeView* view_ = nullptr;
  TreeModel* model_ = nullptr;
  TreeDelegate* delegate_ = nullptr;
  QLabel* label_ = nullptr;
  PanelHint* hint_ = nullptr;
  PanelSearch* search_ = nullptr;
  NodeEditor node_editor_;
  OptionsEditor options_editor_;
  MenuRunner menu_runner_;
  FileChooser file_chooser_;
  // Calls into node code in progress (shared with the clean-up of a panel
  // destroyed in the middle of one).
  std::shared_ptr<int> calls_ = std::make_shared<int>(0);
  // A press on a node's label that becomes a click when the same button is
  // released over the same node without a drag. Its index is invalid for
  // the root (empty space).
  struct PendingClick {
    QPersistentModelIndex index;
    Qt::MouseButton button = Qt::NoButton;
    QPoint pos;
    bool dragged = false;
  };
  std::optional<PendingClick> pending_click_;
  bool syncing_selection_ = false;
  bool close_pending_ = false;
  QPoint drag_from_{-1, -1};  // where the left button went down on a node
  std::vector<uint8_t> last_record_;
};

// What a query node's tooltip says besides its label: how to run it while
// it has not run, and what a click and a middle click do.
QStringList queryNodeTips(const tree::QueryNode& node);

}  // namespace ui

#endif  // VOSTREL_UI_TREE_PANEL_H_
