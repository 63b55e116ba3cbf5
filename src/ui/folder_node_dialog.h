// FolderNodeDialog: the "Folder" dialog. OK is enabled only while the
// trimmed label is not empty, and takes the label as typed and the
// "Use parent node attributes" flag into the node; the icon and colour
// buttons, enabled only while that flag is clear, change the node's
// attribute block as soon as a choice is made; Cancel puts it back.
//
//   FolderNodeDialog dialog(folder, panelWindow);
//   if (dialog.runModal()) panel.save(folder);
#ifndef VOSTREL_UI_FOLDER_NODE_DIALOG_H_
#define VOSTREL_UI_FOLDER_NODE_DIALOG_H_

#include "tree/node_attributes.h"
#include "ui/dialog.h"

class QPushButton;

namespace tree {
class TreeNode;
}

namespace ui {

class NodeAttributesBox;

class FolderNodeDialog : public Dialog {
  Q_OBJECT

 public:
  // REQUIRES: `node` is a folder node with a panel, and outlives the dialog.
  FolderNodeDialog(tree::TreeNode& node, QWidget* parent = nullptr);

  NodeAttributesBox& attributesBox() const { return *box_; }
  QPushButton& okButton() const { return *ok_; }

  void accept() override;
  // Puts back the icon and colours chosen meanwhile.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void updateEnableState();

  tree::TreeNode& node_;
  tree::NodeAttributes original_;
  NodeAttributesBox* box_ = nullptr;
  QPushButton* ok_ = nullptr;
};

}  // namespace ui

#endif  // VOSTREL_UI_FOLDER_NODE_DIALOG_H_
