#include "ui/color_button.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

#include "ui/panel_attributes.h"

namespace ui {

namespace {

ColorButton::Chooser& testChooser() {
  static ColorButton::Chooser chooser;
  return chooser;
}

std::optional<QColor> runColorDialog(QWidget* parent, QColor initial) {
  std::array<QRgb, 16>& custom = ColorButton::customColors();
  // Qt keeps one set of custom colours for the process; ours is loaded into
  // it for the run and read back afterwards.
  for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, QColor::fromRgb(custom[static_cast<std::size_t>(i)]));
  QColorDialog dialog(initial, parent);
  const bool ok = dialog.exec() == QDialog::Accepted;
  for (int i = 0; i < 16; ++i) custom[static_cast<std::size_t>(i)] = QColorDialog::customColor(i).rgb();
  if (!ok) return std::nullopt;
  return dialog.selectedColor();
}

}  // namespace

QString colourButtonName(int row, bool background) {
  static const char* const kRows[] = {"Text", "Selected text", "Inactive selected text"};
  const QString name = QString::fromLatin1(kRows[row < 0 || row > 2 ? 0 : row]);
  return background ? name + QStringLiteral(" background colour") : name + QStringLiteral(" colour");
}

ColorButton::ColorButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
  setAutoDefault(false);
  connect(this, &QPushButton::clicked, this, &ColorButton::choose);
  updateSwatch();
}

void ColorButton::setColor(uint32_t colour) {
  colour_ = colour & 0xFFFFFFu;
  updateSwatch();
}

void ColorButton::choose() {
  const QColor initial = toQColor(colour_);
  const std::optional<QColor> picked =
      testChooser() ? testChooser()(this, initial) : runColorDialog(this, initial);
  if (!picked || !picked->isValid()) return;
  setColor(toColour(*picked));
  emit colorChanged(colour_);
}

void ColorButton::setChooserForTests(Chooser chooser) { testChooser() = std::move(chooser); }

std::array<QRgb, 16>& ColorButton::customColors() {
  static std::array<QRgb, 16> colours = [] {
    std::array<QRgb, 16> black;
    black.fill(qRgb(0, 0, 0));
    return black;
  }();
  return colours;
}

void ColorButton::updateSwatch() {
  const QSize size(24, 12);
  QPixmap swatch(size);
  swatch.fill(toQColor(colour_));
  QPainter painter(&swatch);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
  painter.end();
  setIconSize(size);
  setIcon(QIcon(swatch));
}

}  // namespace ui
