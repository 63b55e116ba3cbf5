// Conversions between the panel's stored attributes and Qt's: 0x00BBGGRR
// colours and QColor, the 92-byte LOGFONTW block and QFont, and the UI font
// and colours of the host as the panel model takes them.
#ifndef VOSTREL_UI_PANEL_ATTRIBUTES_H_
#define VOSTREL_UI_PANEL_ATTRIBUTES_H_

#include <QColor>
#include <QFont>

#include "tree/panel_settings.h"

namespace ui {

class UiHost;

QColor toQColor(tree::Colour colour);
tree::Colour toColour(const QColor& colour);

// The block keeps the height in pixels (negative: character height), the
// weight, italic, underline, strike-out and the face name. A block without a
// face name stands for `fallback`.
QFont toQFont(const tree::LogFontBlock& block, const QFont& fallback);
tree::LogFontBlock toLogFont(const QFont& font);

// The UI font and the seven UI colours of `host`.
tree::UiAttributes uiAttributes(const UiHost& host);

}  // namespace ui

#endif  // VOSTREL_UI_PANEL_ATTRIBUTES_H_
