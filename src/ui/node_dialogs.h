// The panel's editor of folder and query nodes: the "Folder" dialog or the
// "Query" sheet, modal over `parent`. Returns true on OK with the node's new
// values in memory (saving is the caller's business); on Cancel the node is
// as it was.
//
//   panel->setNodeEditor(&ui::editNodeInDialog);   // the default
#ifndef VOSTREL_UI_NODE_DIALOGS_H_
#define VOSTREL_UI_NODE_DIALOGS_H_

class QWidget;

namespace tree {
class TreeNode;
}

namespace ui {

bool editNodeInDialog(QWidget* parent, tree::TreeNode& node);

}  // namespace ui

#endif  // VOSTREL_UI_NODE_DIALOGS_H_
