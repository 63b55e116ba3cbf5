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
  QPoint pos = event->pos();
  if (event->reason() != QContextMenuEvent::Mouse) {
    const QModelIndex selected = model_->indexOf(panel_->control().selection());
    pos = selected.isValid() ? view_->visualRect(selected).center() : QPoint(0, 0);
  }
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

  QMenu menu(this);
  for (const MenuEntry& entry : entries) {
    if (entry.id == kCommandSeparator) {
      menu.addSeparator();
    } else {
      menu.addAction(entry.text)->setData(entry.id);
    }
  }
  const QPoint global = event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                                    : view_->viewport()->mapToGlobal(pos);
  QAction* chosen = menu_runner_ ? menu_runner_(menu, global) : menu.exec(global);
  if (!self || chosen == nullptr) return;
  const int id = chosen->data().toInt();
  if (id == kCommandAbortQuery) {
    abortQuery();
    return;
  }
  if (on_item && !index.isValid()) return;  // the node went away meanwhile
  tree::TreeNode* target = on_item ? TreeModel::itemOf(index)->node() : &panel_->root();
  if (target != nullptr) runCommand(id, *target);
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
