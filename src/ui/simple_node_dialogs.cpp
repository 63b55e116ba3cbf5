#include "ui/simple_node_dialogs.h"

#include <algorithm>
#include <string>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "host/host.h"
#include "tree/node_editing.h"
#include "tree/panel.h"
#include "tree/panel_settings.h"
#include "tree/query_node.h"

namespace ui {

namespace {

QString caption() { return QString::fromUtf8(host::kComponentFileName.data(), host::kComponentFileName.size()); }

bool editFolder(QWidget* parent, tree::TreeNode& node) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Folder"));
  auto* form = new QFormLayout(&dialog);
  auto* label = new QLineEdit(QString::fromStdString(node.label()), &dialog);
  label->selectAll();
  form->addRow(QStringLiteral("Label:"), label);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  auto update = [&] { ok->setEnabled(tree::folderOkEnabled(label->text().toStdString())); };
  QObject::connect(label, &QLineEdit::textChanged, &dialog, update);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  update();
  dialog.resize(360, dialog.sizeHint().height());
  if (dialog.exec() != QDialog::Accepted) return false;
  node.setLabel(tree::normalizeStatement(label->text().toStdString()));
  return true;
}

bool editQuery(QWidget* parent, tree::QueryNode& node) {
  tree::Panel* panel = node.panel();
  if (panel == nullptr) return false;
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Query"));
  auto* form = new QFormLayout(&dialog);
  auto* label = new QLineEdit(QString::fromStdString(node.label()), &dialog);
  auto* sql = new QPlainTextEdit(QString::fromStdString(node.definition().sql_query), &dialog);
  sql->setTabChangesFocus(true);
  QFont fixed(QStringLiteral("monospace"));
  fixed.setStyleHint(QFont::TypeWriter);
  sql->setFont(fixed);
  form->addRow(QStringLiteral("Label:"), label);
  form->addRow(QStringLiteral("SQL query:"), sql);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  auto update = [&] {
    ok->setEnabled(!tree::normalizeStatement(label->text().toStdString()).empty() &&
                   !tree::normalizeStatement(sql->toPlainText().toStdString()).empty());
  };
  QObject::connect(label, &QLineEdit::textChanged, &dialog, update);
  QObject::connect(sql, &QPlainTextEdit::textChanged, &dialog, update);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  const std::string original_sql = node.definition().sql_query;
  // A copy to go back to when the SQL is refused.
  const std::string original_label = node.label();
  const tree::QueryDefinition original = node.definition();
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
    tree::QuerySheet sheet(node, panel->database());
    sheet.label = tree::normalizeStatement(label->text().toStdString());
    sheet.sql_text = sql->toPlainText().toStdString();
    if (sheet.sql_text != original_sql) sheet.sqlTextChanged();
    std::string error;
    if (!sheet.ok(&error)) {
      node.setLabel(original_label);
      node.definition() = original;
      QMessageBox::warning(&dialog, caption(), QString::fromStdString(error));
      return;
    }
    dialog.accept();
  });
  update();
  dialog.resize(520, 320);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace

bool editSettingsInSimpleDialog(QWidget* parent, tree::PanelSettings& settings) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QStringLiteral("Vostrel Options"));
  auto* form = new QFormLayout(&dialog);
  auto* edge = new QComboBox(&dialog);
  edge->addItems({QStringLiteral("None"), QStringLiteral("Grey"), QStringLiteral("Sunken")});
  edge->setCurrentIndex(std::clamp(settings.edge_style, 0, 2));
  form->addRow(QStringLiteral("Edge style:"), edge);
  auto* follow = new QCheckBox(QStringLiteral("Use UI attributes"), &dialog);
  follow->setChecked(settings.use_ui_attributes != 0);
  form->addRow(follow);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return false;
  settings.edge_style = edge->currentIndex();
  settings.use_ui_attributes = follow->isChecked() ? 1 : 0;
  return true;
}

bool editNodeInSimpleDialog(QWidget* parent, tree::TreeNode& node) {
  switch (node.type()) {
    case tree::NodeType::kFolder: return editFolder(parent, node);
    case tree::NodeType::kQuery: return editQuery(parent, static_cast<tree::QueryNode&>(node));
    default: return false;
  }
}

}  // namespace ui
