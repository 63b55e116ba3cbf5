#include "ui/icon_selector_dialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/icon_list.h"

namespace ui {

namespace {

// Sizes in dialog units.
constexpr int kMarginX = 3;
constexpr int kMarginY = 4;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kMinimumWidth = 150;
constexpr int kMinimumHeight = 170;
constexpr int kFirstWidth = 220;
constexpr int kFirstHeight = 200;

// The cell of one icon with its number, in pixels.
constexpr QSize kIconSpacing(40, 50);

}  // namespace

IconSelectorDialog::IconSelectorDialog(int current, QColor background, QColor text, QWidget* parent)
    : Dialog(parent), chosen_(current) {
  setObjectName(QStringLiteral("vostrel_icon_selector"));
  setWindowTitle(QStringLiteral("Select icon"));
  setSizeGripEnabled(true);

  list_ = new QListWidget(this);
  list_->setAccessibleName(QStringLiteral("Icons"));
  list_->setViewMode(QListView::IconMode);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setMovement(QListView::Static);
  list_->setResizeMode(QListView::Adjust);
  list_->setWrapping(true);
  list_->setUniformItemSizes(true);
  list_->setGridSize(kIconSpacing);
  list_->setIconSize(QSize(kIconSize, kIconSize));
  QPalette colours = list_->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    colours.setColor(group, QPalette::Base, background);
    colours.setColor(group, QPalette::Text, text);
  }
  list_->setPalette(colours);
  connect(list_, &QListWidget::itemDoubleClicked, this, &IconSelectorDialog::accept);

  const QSize button = dialogUnits(this, kButtonWidth, kButtonHeight);
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  ok_->setDefault(true);
  for (QPushButton* b : {ok_, cancel_}) b->setFixedSize(button);
  connect(ok_, &QPushButton::clicked, this, &IconSelectorDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &IconSelectorDialog::reject);

  const QSize margin = dialogUnits(this, kMarginX, kMarginY);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(margin.width());
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(margin.width(), margin.height(), margin.width(), margin.height());
  layout->setSpacing(margin.height());
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);

  fill();
  setMinimumDialogSize(kMinimumWidth, kMinimumHeight);
  const QSize size = rememberedSize();
  resize(size.isValid() ? size : dialogUnits(this, kFirstWidth, kFirstHeight));
}

void IconSelectorDialog::fill() {
  const IconList& icons = IconList::instance();
  list_->setUpdatesEnabled(false);
  for (std::size_t i = 0; i < icons.size(); ++i) {
    auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(icons.icon(i))), QString::number(i + 1));
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    list_->addItem(item);
  }
  list_->setUpdatesEnabled(true);
  if (chosen_ >= 0 && chosen_ < list_->count()) list_->setCurrentRow(chosen_);
}

void IconSelectorDialog::showEvent(QShowEvent* event) {
  Dialog::showEvent(event);
  if (QListWidgetItem* item = list_->currentItem()) list_->scrollToItem(item, QAbstractItemView::PositionAtCenter);
}

void IconSelectorDialog::accept() {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  if (selected.size() == 1) {
    const int row = list_->row(selected.front());
    if (row >= 0 && static_cast<std::size_t>(row) < IconList::instance().size()) chosen_ = row;
  }
  Dialog::accept();
}

void IconSelectorDialog::done(int result) {
  rememberSize(size());
  Dialog::done(result);
}

}  // namespace ui
