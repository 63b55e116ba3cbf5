#include "ui/simple_node_dialogs.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>

#include "tree/panel_settings.h"

namespace ui {

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

}  // namespace ui
