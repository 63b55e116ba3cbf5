// A tree panel's context menu and the commands it (and the keys) run on a
// node: new folder or query, edit, delete, options, refresh, abort, the
// example nodes and help.
#include "ui/tree_panel.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>

#include "host/host.h"
#include "tree/example_nodes.h"
#include "tree/folder_node.h"
#include "tree/now_playing_examples.h"
#include "tree/query_node.h"
#include "tree/query_result_node.h"
#include "ui/node_calls.h"
#include "ui/panel_commands.h"
#include "ui/panel_tree_view.h"
#include "ui/tree_model.h"
#include "ui/ui_host.h"

namespace ui {

namespace {

constexpr const char* kUnableToOpenHelp = "Unable to open help file";
constexpr const char* kHelpPage = "vostrel_help.html";

std::string_view caption() { return host::kComponentFileName; }

}  // namespace

void TreePanel::contextMenu(QContextMenuEvent* event) {
  if (event->reason() == QContextMenuEvent::Mouse) {
    openMenu(event->pos(), event->globalPos());
  } else {
    keyboardMenu();
  }
}

void TreePanel::keyboardMenu() {
  const QModelIndex selected = model_->indexOf(panel_->control().selection());
  if (!selected.isValid()) {
    openMenu(QPoint(0, 0), view_->viewport()->mapToGlobal(QPoint(0, 0)));
    return;
  }
  const QRect rect = view_->visualRect(selected);
  // At the node's label, below it, as a menu dropped from it.
  const QPoint at(rect.left() + rect.height(), rect.bottom());
  openMenu(rect.center(), view_->viewport()->mapToGlobal(at));
}

void TreePanel::showNodeMenu(const QModelIndex& index) {
  if (!index.isValid() || queryRunning()) return;
  panel_->control().select(TreeModel::itemOf(index));
  keyboardMenu();
}

void TreePanel::openMenu(const QPoint& pos, const QPoint& global) {
  const bool running = queryRunning();
  QPointer<TreePanel> self(this);
  tree::TreeNode* node = nodeAt(pos);
  if (node == nullptr) return;
  const tree::NodeType type = node->type();
  if (!running && (type == tree::NodeType::kFolder || type == tree::NodeType::kQuery)) {
    panel_->control().select(node->item());
  }
  // The menu runs its own event loop: the node is found again afterwards.
  const QPersistentModelIndex index(model_->indexOf(node->item()));
  const bool on_item = node->item() != nullptr;

  std::vector<MenuEntry> entries;
  if (!running && type == tree::NodeType::kQueryResult) {
    // What a click and a middle click do, so that either runs from here.
    const tree::QueryNode* query = static_cast<const tree::QueryResultNode*>(node)->queryNode();
    if (query != nullptr) entries = actionMenuEntries(query->definition().click, query->definition().middle_click);
  }
  for (MenuEntry& entry : contextMenuEntries(type, running)) entries.push_back(std::move(entry));

  // The chosen entry comes from its action's signal: an action triggered
  // by an assistive tool never becomes the value exec() returns.
  QMenu menu(this);
  int id = kCommandSeparator;
  for (const MenuEntry& entry : entries) {
    if (entry.id == kCommandSeparator) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(entry.text);
    action->setData(entry.id);
    connect(action, &QAction::triggered, &menu, [&menu, &id, chosen = entry.id] {
      id = chosen;
      menu.close();
    });
  }
  QAction* returned = menu_runner_ ? menu_runner_(menu, global) : menu.exec(global);
  if (!self) return;
  if (id == kCommandSeparator && returned != nullptr) id = returned->data().toInt();
  if (id == kCommandSeparator) return;
  if (id == kCommandAbortQuery) {
    abortQuery();
    return;
  }
  if (on_item && !index.isValid()) return;  // the node went away meanwhile
  tree::TreeNode* target = on_item ? TreeModel::itemOf(index)->node() : &panel_->root();
  if (target != nullptr) runCommand(id, *target);
}

bool TreePanel::find() {
  focusSearch();
  return true;
}

void TreePanel::newNode(tree::TreeNode& parent, bool folder) {
  if (parent.type() != tree::NodeType::kRoot && parent.type() != tree::NodeType::kFolder) return;
  std::unique_ptr<tree::TreeNode> node;
  if (folder) {
    node = std::make_unique<tree::FolderNode>(panel_.get(), &parent);
  } else {
    node = std::make_unique<tree::QueryNode>(panel_.get(), &parent);
  }
  tree::EditingScope editing(*panel_);
  if (!node_editor_ || !node_editor_(this, *node)) return;
  panel_->attach(std::move(node), true);
}

void TreePanel::runCommand(int id, tree::TreeNode& node) {
  if (queryRunning() && id != kCommandAbortQuery) return;
  QPointer<TreePanel> self(this);
  {
    CallScope scope(calls_);
    guarded(host_, [&] { command(id, node); });
  }
  if (self) noteSettings();
}

void TreePanel::command(int id, tree::TreeNode& node) {
  switch (id) {
    case kCommandNewFolder: newNode(node, true); break;
    case kCommandNewQuery: newNode(node, false); break;
    case kCommandEdit: node.edit(); break;
    case kCommandDelete:
      if (node.type() == tree::NodeType::kFolder || node.type() == tree::NodeType::kQuery) {
        panel_->deleteNode(node);
      }
      break;
    case kCommandOptions:
      if (options_editor_) {
        tree::EditingScope editing(*panel_);
        tree::PanelSettings edited = panel_->settings();
        if (options_editor_(this, edited)) {
          // Following the UI means its font and colours, whatever was
          // chosen by hand.
          if (edited.use_ui_attributes) edited.takeUiAttributes(panel_->uiAttributes());
          const tree::PanelSettings old = panel_->settings();
          panel_->setSettings(edited);
          panel_->reapplyAttributes();
          applySettings(&old, true);
        }
      }
      break;
    case kCommandRefresh: node.refresh(true); break;
    case kCommandRefreshAll: panel_->refreshAll(); break;
    case kCommandAbortQuery: abortQuery(); break;
    case kCommandCreateExamples: tree::createExampleNodes(*panel_); break;
    case kCommandExport: exportAsked(node); break;
    case kCommandImport: importAsked(node); break;
    case kCommandCreateNowPlayingExamples: tree::createNowPlayingExamples(*panel_); break;
    case kCommandClick: node.click(); break;
    case kCommandMiddleClick: node.middleClick(); break;
    case kCommandHelp:
      if (!ui_host_.openHelpPage(QString::fromLatin1(kHelpPage))) host_.popupMessage(kUnableToOpenHelp, caption());
      break;
    default: break;
  }
}

}  // namespace ui
