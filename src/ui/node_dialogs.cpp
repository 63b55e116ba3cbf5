#include "ui/node_dialogs.h"

#include "tree/query_node.h"
#include "ui/folder_node_dialog.h"
#include "ui/query_node_property_sheet.h"

namespace ui {

bool editNodeInDialog(QWidget* parent, tree::TreeNode& node) {
  if (node.panel() == nullptr) return false;
  switch (node.type()) {
    case tree::NodeType::kFolder: {
      FolderNodeDialog dialog(node, parent);
      return dialog.runModal();
    }
    case tree::NodeType::kQuery: {
      QueryNodePropertySheetDialog sheet(static_cast<tree::QueryNode&>(node), parent);
      return sheet.runModal();
    }
    default: return false;
  }
}

}  // namespace ui
