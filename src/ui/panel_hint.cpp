#include "ui/panel_hint.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

namespace ui {

PanelHint::PanelHint(QWidget* parent) : QFrame(parent) {
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);
  // Tooltip colours: a note beside the tree, not part of it.
  setBackgroundRole(QPalette::ToolTipBase);
  setForegroundRole(QPalette::ToolTipText);
  setAccessibleName(QStringLiteral("Hint"));

  label_ = new QLabel(QString::fromUtf8(kTreeHintText), this);
  label_->setWordWrap(true);
  label_->setForegroundRole(QPalette::ToolTipText);
  label_->setTextInteractionFlags(Qt::NoTextInteraction);

  close_ = new QToolButton(this);
  close_->setAutoRaise(true);
  close_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton, nullptr, this));
  close_->setFocusPolicy(Qt::StrongFocus);
  close_->setAccessibleName(QStringLiteral("Close the hint"));
  close_->setToolTip(QStringLiteral("Close this hint (it does not come back)"));
  connect(close_, &QToolButton::clicked, this, &PanelHint::closeRequested);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 4, 2, 4);
  layout->setSpacing(4);
  layout->addWidget(label_, 1);
  layout->addWidget(close_, 0, Qt::AlignTop);
}

int PanelHint::readableWidth() const {
  constexpr int kReadableChars = 20;
  const QMargins margins = layout()->contentsMargins();
  return label_->fontMetrics().averageCharWidth() * kReadableChars + layout()->spacing() +
         close_->sizeHint().width() + margins.left() + margins.right() + 2 * frameWidth();
}

}  // namespace ui
