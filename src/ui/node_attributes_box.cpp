#include "ui/node_attributes_box.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QVBoxLayout>

#include "tree/panel.h"
#include "ui/color_button.h"
#include "ui/icon_button.h"
#include "ui/panel_attributes.h"

namespace ui {

namespace {

// The colour each button edits, in button order.
constexpr std::array<tree::Colour tree::NodeAttributes::*, NodeAttributesBox::kColourCount> kFields = {
    &tree::NodeAttributes::text,
    &tree::NodeAttributes::back,
    &tree::NodeAttributes::text_selected,
    &tree::NodeAttributes::back_selected,
    &tree::NodeAttributes::text_selected_inactive,
    &tree::NodeAttributes::back_selected_inactive,
};

}  // namespace

NodeAttributesBox::NodeAttributesBox(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* label_row = new QHBoxLayout;
  label_ = new QLineEdit(this);
  auto* label_caption = new QLabel(QStringLiteral("Label:"), this);
  label_caption->setBuddy(label_);
  label_row->addWidget(label_caption);
  label_row->addWidget(label_, 1);
  layout->addLayout(label_row);

  use_parent_ = new QCheckBox(QStringLiteral("Use parent node attributes"), this);
  layout->addWidget(use_parent_);

  auto* icon_row = new QHBoxLayout;
  icon_ = new IconButton(QStringLiteral("Icon..."), this);
  icon_row->addWidget(icon_);
  icon_row->addStretch(1);
  layout->addLayout(icon_row);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Foreground:"), this), 0, 1, Qt::AlignHCenter);
  grid->addWidget(new QLabel(QStringLiteral("Background:"), this), 0, 2, Qt::AlignHCenter);
  const QString rows[] = {QStringLiteral("Text:"), QStringLiteral("Selected text:"),
                          QStringLiteral("Inactive selected text:")};
  for (int row = 0; row < 3; ++row) {
    grid->addWidget(new QLabel(rows[row], this), row + 1, 0);
    for (int column = 0; column < 2; ++column) {
      const int index = row * 2 + column;
      auto* button = new ColorButton(QStringLiteral("Change..."), this);
      // Six buttons say "Change...": the name says which colour.
      button->setAccessibleName(colourButtonName(row, column == 1));
      colours_[static_cast<std::size_t>(index)] = button;
      grid->addWidget(button, row + 1, column + 1);
      connect(button, &ColorButton::colorChanged, this, [this, index](uint32_t colour) {
        if (attributes_ != nullptr) attributes_->*kFields[static_cast<std::size_t>(index)] = colour;
      });
    }
  }
  grid->setColumnStretch(3, 1);
  layout->addLayout(grid);
  layout->addStretch(1);

  connect(label_, &QLineEdit::textChanged, this, &NodeAttributesBox::labelEdited);
  connect(use_parent_, &QCheckBox::toggled, this, &NodeAttributesBox::useParentToggled);
  connect(icon_, &IconButton::iconChanged, this, [this](int icon) {
    if (attributes_ != nullptr) attributes_->icon = static_cast<uint16_t>(icon);
  });
}

void NodeAttributesBox::setAttributes(tree::NodeAttributes* attributes) {
  attributes_ = attributes;
  use_parent_->setChecked(attributes != nullptr && attributes->use_parent);
  showAttributes();
}

void NodeAttributesBox::showAttributes() {
  if (attributes_ == nullptr) return;
  icon_->setIconIndex(attributes_->icon);
  for (std::size_t i = 0; i < colours_.size(); ++i) colours_[i]->setColor(attributes_->*kFields[i]);
}

void NodeAttributesBox::setSelectorColours(const tree::Panel& panel) {
  icon_->setSelectorColors(toQColor(panel.settings().back), toQColor(panel.settings().text));
}

void NodeAttributesBox::setLabel(const std::string& label) { label_->setText(QString::fromStdString(label)); }

std::string NodeAttributesBox::label() const { return label_->text().toStdString(); }

void NodeAttributesBox::setLabelReadOnly(bool read_only) {
  label_->setReadOnly(read_only);
  // A name that cannot be edited does not look like a field to type in.
  QPalette palette = label_->parentWidget()->palette();
  if (read_only) palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  label_->setPalette(palette);
}

bool NodeAttributesBox::useParent() const { return use_parent_->isChecked(); }

void NodeAttributesBox::setButtonsEnabled(bool enabled) {
  icon_->setEnabled(enabled);
  for (ColorButton* button : colours_) button->setEnabled(enabled);
}

void NodeAttributesBox::focusLabel() {
  label_->setFocus(Qt::OtherFocusReason);
  label_->selectAll();
}

}  // namespace ui
