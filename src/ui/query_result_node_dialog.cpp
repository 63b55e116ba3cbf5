#include "ui/query_result_node_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "tree/query_node.h"
#include "ui/node_attributes_box.h"

namespace ui {

QueryResultNodeDialog::QueryResultNodeDialog(tree::QueryNode& query, std::size_t index, QWidget* parent)
    : Dialog(parent), query_(query), index_(index), original_(*query.levelOption(index)) {
  setWindowTitle(QStringLiteral("Query result node"));
  auto* layout = new QVBoxLayout(this);
  box_ = new NodeAttributesBox(this);
  box_->setLabel(option().name);
  box_->setLabelReadOnly(true);
  box_->setAttributes(&option().attributes);
  if (query.panel() != nullptr) box_->setSelectorColours(*query.panel());
  layout->addWidget(box_, 1);

  auto* group = new QGroupBox(QStringLiteral("Show item count"), this);
  auto* group_layout = new QHBoxLayout(group);
  radios_ = new QButtonGroup(this);
  counts_[tree::kShowNoCount] = new QRadioButton(QStringLiteral("None"), group);
  counts_[tree::kShowSubitems] = new QRadioButton(QStringLiteral("Subitems"), group);
  counts_[tree::kShowLeaves] = new QRadioButton(QStringLiteral("Leaves"), group);
  for (int value = 0; value < 3; ++value) {
    radios_->addButton(counts_[value], value);
    group_layout->addWidget(counts_[value]);
  }
  group_layout->addStretch(1);
  layout->addWidget(group);
  if (option().show_item_count < 3) counts_[option().show_item_count]->setChecked(true);
  connect(radios_, &QButtonGroup::idClicked, this, [this](int value) {
    option().show_item_count = static_cast<uint8_t>(value);
    showInTree();
  });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QueryResultNodeDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QueryResultNodeDialog::reject);
  const auto enable = [this] { box_->setButtonsEnabled(!box_->useParent()); };
  connect(box_, &NodeAttributesBox::useParentToggled, this, enable);
  enable();
  setMinimumDialogSize(200, 150);
  setMinimumSize(minimumSize().expandedTo(layout->minimumSize()));
}

tree::QueryResultNodeOption& QueryResultNodeDialog::option() { return *query_.levelOption(index_); }

void QueryResultNodeDialog::showInTree() { query_.updateItem(true); }

void QueryResultNodeDialog::accept() {
  tree::QueryResultNodeOption& level = option();
  level.attributes.use_parent = box_->useParent();
  if (radios_->checkedId() >= 0) level.show_item_count = static_cast<uint8_t>(radios_->checkedId());
  if (level.attributes.use_parent) level.attributes.inheritFrom(*query_.attributes());
  Dialog::accept();
}

void QueryResultNodeDialog::reject() {
  option() = original_;
  showInTree();
  Dialog::reject();
}

}  // namespace ui
