#include "ui/dialog.h"

#include <algorithm>
#include <limits>

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

namespace ui {

namespace {

QSize& remembered() {
  static QSize size;
  return size;
}

// The distance between the centres of `a` and `b`, squared.
qint64 centreDistance(const QRect& a, const QRect& b) {
  const QPoint d = a.center() - b.center();
  return static_cast<qint64>(d.x()) * d.x() + static_cast<qint64>(d.y()) * d.y();
}

int clampedStart(int start, int length, int area_start, int area_length) {
  const int last = area_start + area_length - length;
  return std::max(area_start, std::min(start, last));
}

}  // namespace

Dialog::Dialog(QWidget* parent) : QDialog(parent) { setWindowFlag(Qt::WindowContextHelpButtonHint, false); }

bool Dialog::runModal() { return exec() == QDialog::Accepted; }

void Dialog::showModeless() {
  setModal(false);
  QList<QRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) screens.append(screen->availableGeometry());
  if (!isVisible()) show();
  joinActiveModal();
  const QRect frame = frameGeometry();
  const QRect kept = keptOnScreens(frame, screens);
  if (kept != frame) move(pos() + (kept.topLeft() - frame.topLeft()));
  raise();
  activateWindow();
}

// A window is blocked while a modal dialog runs unless it belongs to that
// dialog's window; as a transient of it, this one takes input, and it goes
// back to its owner when the modal dialog hides.
void Dialog::joinActiveModal() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || modal == this || modal == modal_ || windowHandle() == nullptr ||
      modal->windowHandle() == nullptr) {
    return;
  }
  leaveModal();
  modal_ = modal;
  modal->installEventFilter(this);
  windowHandle()->setTransientParent(modal->windowHandle());
}

void Dialog::leaveModal() {
  if (modal_ != nullptr) modal_->removeEventFilter(this);
  modal_ = nullptr;
  if (windowHandle() == nullptr) return;
  const QWidget* owner = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
  windowHandle()->setTransientParent(owner != nullptr ? owner->windowHandle() : nullptr);
}

bool Dialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == modal_ && event->type() == QEvent::Hide) leaveModal();
  return QDialog::eventFilter(watched, event);
}

QSizeF Dialog::dialogUnit(const QWidget* w) {
  const QFontMetrics metrics(w->font());
  return QSizeF(metrics.averageCharWidth() / 4.0, metrics.height() / 8.0);
}

QSize Dialog::dialogUnits(const QWidget* w, int x, int y) {
  const QSizeF unit = dialogUnit(w);
  return QSize(static_cast<int>(x * unit.width() + 0.5), static_cast<int>(y * unit.height() + 0.5));
}

void Dialog::setMinimumDialogSize(int x_units, int y_units) { setMinimumSize(dialogUnits(this, x_units, y_units)); }

QRect Dialog::keptOnScreens(const QRect& frame, const QList<QRect>& screens) {
  if (screens.isEmpty()) return frame;
  for (const QRect& screen : screens) {
    if (screen.contains(frame)) return frame;
  }
  const QRect* best = nullptr;
  qint64 best_area = 0;
  qint64 best_distance = std::numeric_limits<qint64>::max();
  for (const QRect& screen : screens) {
    const QRect common = screen.intersected(frame);
    const qint64 area = common.isEmpty() ? 0 : static_cast<qint64>(common.width()) * common.height();
    const qint64 distance = centreDistance(screen, frame);
    if (area > best_area || (area == best_area && area == 0 && distance < best_distance)) {
      best = &screen;
      best_area = area;
      best_distance = distance;
    }
  }
  QRect kept = frame;
  kept.moveTo(clampedStart(frame.x(), frame.width(), best->x(), best->width()),
              clampedStart(frame.y(), frame.height(), best->y(), best->height()));
  return kept;
}

QSize Dialog::rememberedSize() { return remembered(); }

void Dialog::rememberSize(const QSize& size) { remembered() = size; }

}  // namespace ui
