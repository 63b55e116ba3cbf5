#include "ui/icon_button.h"

#include <QIcon>
#include <QPixmap>

#include "ui/icon_list.h"
#include "ui/icon_selector_dialog.h"

namespace ui {

namespace {

IconButton::Selector& testSelector() {
  static IconButton::Selector selector;
  return selector;
}

}  // namespace

IconButton::IconButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  setAutoDefault(false);
  setIconSize(QSize(kIconSize, kIconSize));
  connect(this, &QPushButton::clicked, this, &IconButton::choose);
  updateIcon();
}

void IconButton::setIconIndex(int index) {
  index_ = index;
  updateIcon();
}

void IconButton::setSelectorColors(QColor background, QColor text) {
  background_ = background;
  text_ = text;
}

void IconButton::choose() {
  std::optional<int> picked;
  if (testSelector()) {
    picked = testSelector()(this, index_, background_, text_);
  } else {
    IconSelectorDialog selector(index_, background_, text_, this);
    if (selector.runModal()) picked = selector.chosenIcon();
  }
  if (!picked || *picked == index_) return;
  setIconIndex(*picked);
  emit iconChanged(index_);
}

void IconButton::setSelectorForTests(Selector selector) { testSelector() = std::move(selector); }

void IconButton::updateIcon() {
  const QImage& image = index_ >= 0 ? IconList::instance().icon(static_cast<std::size_t>(index_)) : QImage();
  setIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
}

}  // namespace ui
