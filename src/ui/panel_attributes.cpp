#include "ui/panel_attributes.h"

#include <algorithm>

#include <QFontInfo>

#include "ui/ui_host.h"

namespace ui {

namespace {

// Field offsets of a LOGFONTW.
constexpr std::size_t kHeight = 0;
constexpr std::size_t kWeight = 16;
constexpr std::size_t kItalic = 20;
constexpr std::size_t kUnderline = 21;
constexpr std::size_t kStrikeOut = 22;
constexpr std::size_t kCharSet = 23;
constexpr std::size_t kFaceName = 28;
constexpr std::size_t kFaceNameChars = 32;
constexpr uint8_t kDefaultCharSet = 1;

int32_t readI32(const tree::LogFontBlock& b, std::size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
  return static_cast<int32_t>(v);
}

void writeI32(tree::LogFontBlock& b, std::size_t at, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

QColor toQColor(tree::Colour colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

tree::Colour toColour(const QColor& colour) {
  const QColor rgb = colour.toRgb();
  return static_cast<tree::Colour>(rgb.red()) | (static_cast<tree::Colour>(rgb.green()) << 8) |
         (static_cast<tree::Colour>(rgb.blue()) << 16);
}

QFont toQFont(const tree::LogFontBlock& block, const QFont& fallback) {
  QString face;
  for (std::size_t i = 0; i < kFaceNameChars; ++i) {
    const auto c = static_cast<char16_t>(block[kFaceName + 2 * i] | (block[kFaceName + 2 * i + 1] << 8));
    if (c == 0) break;
    face.append(QChar(c));
  }
  if (face.isEmpty()) return fallback;
  QFont font(face);
  const int32_t height = readI32(block, kHeight);
  if (height != 0) {
    font.setPixelSize(height < 0 ? -height : height);
  } else {
    font.setPixelSize(QFontInfo(fallback).pixelSize());
  }
  const int32_t weight = readI32(block, kWeight);
  if (weight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
  font.setItalic(block[kItalic] != 0);
  font.setUnderline(block[kUnderline] != 0);
  font.setStrikeOut(block[kStrikeOut] != 0);
  return font;
}

tree::LogFontBlock toLogFont(const QFont& font) {
  tree::LogFontBlock block{};
  writeI32(block, kHeight, -QFontInfo(font).pixelSize());
  writeI32(block, kWeight, static_cast<int32_t>(font.weight()));
  block[kItalic] = font.italic() ? 1 : 0;
  block[kUnderline] = font.underline() ? 1 : 0;
  block[kStrikeOut] = font.strikeOut() ? 1 : 0;
  block[kCharSet] = kDefaultCharSet;
  const QString face = font.family();
  for (qsizetype i = 0; i < face.size() && i < static_cast<qsizetype>(kFaceNameChars) - 1; ++i) {
    const char16_t c = face.at(i).unicode();
    block[kFaceName + 2 * i] = static_cast<uint8_t>(c & 0xFF);
    block[kFaceName + 2 * i + 1] = static_cast<uint8_t>(c >> 8);
  }
  return block;
}

tree::UiAttributes uiAttributes(const UiHost& host) {
  tree::UiAttributes ui;
  ui.font = toLogFont(host.uiFont());
  for (int c = 0; c < kUiColourCount; ++c) {
    ui.colours[static_cast<std::size_t>(c)] = toColour(host.uiColour(static_cast<UiColour>(c)));
  }
  return ui;
}

}  // namespace ui
