#include "ui/batch_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/sql_editor.h"

namespace ui {

BatchPage::BatchPage(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  editor_ = new SqlEditor(this);
  auto* label = new QLabel(QStringLiteral("SQL batch:"), this);
  label->setBuddy(editor_);
  layout->addWidget(label);
  layout->addWidget(editor_, 1);

  auto* buttons = new QHBoxLayout;
  validate_ = new QPushButton(QStringLiteral("&Validate"), this);
  execute_ = new QPushButton(QStringLiteral("&Execute"), this);
  console_ = new QPushButton(QStringLiteral("&Tree console"), this);
  for (QPushButton* button : {validate_, execute_, console_}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  layout->addLayout(buttons);

  connect(editor_, &SqlEditor::textChanged, this, [this] {
    if (!loading_) emit batchEdited();
  });
  connect(validate_, &QPushButton::clicked, this, &BatchPage::validateClicked);
  connect(execute_, &QPushButton::clicked, this, &BatchPage::executeClicked);
  connect(console_, &QPushButton::clicked, this, &BatchPage::consoleClicked);
}

void BatchPage::load(const tree::QuerySheet& sheet) {
  const QString text = QString::fromStdString(sheet.batch);
  if (editor_->text() == text) return;
  loading_ = true;
  editor_->setText(text);
  loading_ = false;
}

void BatchPage::store(tree::QuerySheet& sheet) const { sheet.batch = editor_->text().toStdString(); }

void BatchPage::showEnableState(const tree::QuerySheet::EnableState& state) {
  validate_->setEnabled(state.validate);
  execute_->setEnabled(state.execute);
  console_->setEnabled(state.tree_console);
}

}  // namespace ui
