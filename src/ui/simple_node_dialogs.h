// Minimal editors for new and existing nodes: a label for a folder, a label
// and the SQL query for a query node; and of a panel's options: its edge and
// whether it follows the UI font and colours. They stand in until the full node
// dialogs exist and are plugged into a panel through TreePanel's node
// editor, so that replacing them touches nothing else.
#ifndef VOSTREL_UI_SIMPLE_NODE_DIALOGS_H_
#define VOSTREL_UI_SIMPLE_NODE_DIALOGS_H_

class QWidget;

namespace tree {
class TreeNode;
struct PanelSettings;
}  // namespace tree

namespace ui {

// Edits `node` (folder or query) in a modal dialog owned by `parent`. On OK
// the node holds the new values (a query node's levels rebuilt from its
// columns) and true is returned; Cancel leaves it unchanged.
bool editNodeInSimpleDialog(QWidget* parent, tree::TreeNode& node);

// Edits the edge style and "Use UI attributes" of a panel's settings; true
// on OK.
bool editSettingsInSimpleDialog(QWidget* parent, tree::PanelSettings& settings);

}  // namespace ui

#endif  // VOSTREL_UI_SIMPLE_NODE_DIALOGS_H_
