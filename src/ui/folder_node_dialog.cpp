#include "ui/folder_node_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "tree/node_editing.h"
#include "tree/tree_node.h"
#include "ui/node_attributes_box.h"

namespace ui {

FolderNodeDialog::FolderNodeDialog(tree::TreeNode& node, QWidget* parent) : Dialog(parent), node_(node), original_(*node.attributes()) {
  setWindowTitle(QStringLiteral("Folder"));
  auto* layout = new QVBoxLayout(this);
  box_ = new NodeAttributesBox(this);
  box_->setLabel(node.label());
  box_->setAttributes(node.attributes());
  if (node.panel() != nullptr) box_->setSelectorColours(*node.panel());
  layout->addWidget(box_, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &FolderNodeDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &FolderNodeDialog::reject);
  connect(box_, &NodeAttributesBox::labelEdited, this, &FolderNodeDialog::updateEnableState);
  connect(box_, &NodeAttributesBox::useParentToggled, this, &FolderNodeDialog::updateEnableState);
  setMinimumDialogSize(200, 120);
  setMinimumSize(minimumSize().expandedTo(layout->minimumSize()));
  updateEnableState();
  box_->focusLabel();
}

void FolderNodeDialog::showEvent(QShowEvent* event) {
  Dialog::showEvent(event);
  box_->focusLabel();
}

void FolderNodeDialog::updateEnableState() {
  ok_->setEnabled(tree::folderOkEnabled(box_->label()));
  box_->setButtonsEnabled(!box_->useParent());
}

void FolderNodeDialog::accept() {
  // Enter in the label reaches here even while OK is disabled.
  if (!ok_->isEnabled()) return;
  node_.setLabel(box_->label());
  node_.attributes()->use_parent = box_->useParent();
  Dialog::accept();
}

void FolderNodeDialog::reject() {
  *node_.attributes() = original_;
  Dialog::reject();
}

}  // namespace ui
