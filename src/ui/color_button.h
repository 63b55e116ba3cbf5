// ColorButton: a push button that edits one 0x00BBGGRR colour. It shows the
// colour as a swatch; a click opens the colour chooser at that colour, and
// OK there changes the colour at once (colorChanged). A cancelled chooser
// changes nothing. The chooser's sixteen custom colours are shared by every
// colour button and start black.
//
//   auto* text = new ui::ColorButton(QStringLiteral("Change..."));
//   text->setColor(attributes.text);
//   connect(text, &ui::ColorButton::colorChanged, [&](uint32_t c) { attributes.text = c; });
#ifndef VOSTREL_UI_COLOR_BUTTON_H_
#define VOSTREL_UI_COLOR_BUTTON_H_

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include <QColor>
#include <QPushButton>

namespace ui {

// The accessible name of the colour button of text colour `row` (0 text,
// 1 selected text, 2 inactive selected text), its foreground or background:
// "Text colour", "Selected text background colour", ...
QString colourButtonName(int row, bool background);

class ColorButton : public QPushButton {
  Q_OBJECT

 public:
  // Picks a colour starting at `initial`; nullopt when cancelled.
  using Chooser = std::function<std::optional<QColor>(QWidget* parent, QColor initial)>;

  explicit ColorButton(const QString& text = QStringLiteral("Change..."), QWidget* parent = nullptr);

  // Sets the colour without emitting colorChanged.
  void setColor(uint32_t colour);
  uint32_t color() const { return colour_; }

  // Opens the chooser, as a click does.
  void choose();

  // Replaces the colour chooser of every button; empty restores the real one.
  static void setChooserForTests(Chooser chooser);
  // The shared custom colours of the chooser.
  static std::array<QRgb, 16>& customColors();

 signals:
  void colorChanged(uint32_t colour);

 private:
  void updateSwatch();

  uint32_t colour_ = 0;
};

}  // namespace ui

#endif  // VOSTREL_UI_COLOR_BUTTON_H_
