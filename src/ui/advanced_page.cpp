#include "ui/advanced_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "tree/node_editing.h"

namespace ui {

namespace {

// Ten digits hold every 32-bit value; larger numbers mean no limit.
constexpr int kLimitDigits = 10;

}  // namespace

AdvancedPage::AdvancedPage(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);

  auto* refresh = new QGroupBox(QStringLiteral("Refresh query"), this);
  auto* refresh_layout = new QHBoxLayout(refresh);
  on_load_ = new QCheckBox(QStringLiteral("on load"), refresh);
  on_use_ = new QCheckBox(QStringLiteral("on use"), refresh);
  refresh_layout->addWidget(on_load_);
  refresh_layout->addWidget(on_use_);
  refresh_layout->addStretch(1);
  layout->addWidget(refresh);

  omit_null_ = new QCheckBox(QStringLiteral("Omit <null>"), this);
  remove_duplicates_ = new QCheckBox(QStringLiteral("Remove duplicates when sending to a playlist"), this);
  layout->addWidget(omit_null_);
  layout->addWidget(remove_duplicates_);

  auto* limit_row = new QHBoxLayout;
  limit_ = new QLineEdit(this);
  limit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), limit_));
  limit_->setMaxLength(kLimitDigits);
  limit_->setAlignment(Qt::AlignRight);
  limit_->setFixedWidth(limit_->fontMetrics().horizontalAdvance(QString(kLimitDigits + 2, QLatin1Char('0'))));
  auto* limit_label = new QLabel(QStringLiteral("Query node limit:"), this);
  limit_label->setBuddy(limit_);
  limit_row->addWidget(limit_label);
  limit_row->addWidget(limit_);
  limit_row->addStretch(1);
  layout->addLayout(limit_row);
  layout->addStretch(1);
}

void AdvancedPage::load(const tree::QuerySheet& sheet) {
  on_load_->setChecked(sheet.refresh_on_load);
  on_use_->setChecked(sheet.refresh_on_use);
  omit_null_->setChecked(sheet.omit_null_nodes);
  remove_duplicates_->setChecked(sheet.remove_duplicates);
  limit_->setText(QString::fromStdString(sheet.node_limit));
}

void AdvancedPage::store(tree::QuerySheet& sheet) const {
  sheet.refresh_on_load = on_load_->isChecked();
  sheet.refresh_on_use = on_use_->isChecked();
  sheet.omit_null_nodes = omit_null_->isChecked();
  sheet.remove_duplicates = remove_duplicates_->isChecked();
  sheet.node_limit = limit_->text().toStdString();
}

}  // namespace ui
