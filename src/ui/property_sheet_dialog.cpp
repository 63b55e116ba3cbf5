#include "ui/property_sheet_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace ui {

PropertySheetDialog::PropertySheetDialog(QWidget* parent) : Dialog(parent) {
  tabs_ = new QTabWidget(this);
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons_, &QDialogButtonBox::accepted, this, &PropertySheetDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &PropertySheetDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addWidget(buttons_);
}

int PropertySheetDialog::addPage(QWidget* page, const QString& title) { return tabs_->addTab(page, title); }

void PropertySheetDialog::setCurrentPage(int index) { tabs_->setCurrentIndex(index); }

int PropertySheetDialog::currentPage() const { return tabs_->currentIndex(); }

QWidget* PropertySheetDialog::page(int index) const { return tabs_->widget(index); }

int PropertySheetDialog::pageCount() const { return tabs_->count(); }

QPushButton& PropertySheetDialog::okButton() const { return *buttons_->button(QDialogButtonBox::Ok); }

QPushButton& PropertySheetDialog::cancelButton() const { return *buttons_->button(QDialogButtonBox::Cancel); }

void PropertySheetDialog::accept() {
  if (acceptSheet()) Dialog::accept();
}

}  // namespace ui
