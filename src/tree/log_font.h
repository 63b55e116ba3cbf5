// The family name and point size inside a stored LOGFONTW block, for
// settings that are read and written without a window.
//
// Layout of the block: lfHeight (int32, negative for a character height in
// pixels at 96 dpi) at 0, lfWeight at 16, lfFaceName (32 UTF-16 units,
// NUL-terminated) at 28.
#ifndef VOSTREL_TREE_LOG_FONT_H_
#define VOSTREL_TREE_LOG_FONT_H_

#include <string>
#include <string_view>

#include "tree/panel_settings.h"

namespace tree {

inline constexpr std::size_t kFaceNameUnits = 32;

// The face name as UTF-8; empty for an empty block.
std::string fontFamily(const LogFontBlock& font);
// Sets the face name, cut to 31 UTF-16 units. False (nothing changed) when
// `family` is not valid UTF-8 or does not fit.
bool setFontFamily(LogFontBlock& font, std::string_view family);

// The size in points (rounded); 0 when the block leaves it to the default.
int fontPointSize(const LogFontBlock& font);
// Stores `points` as the negative pixel height at 96 dpi.
void setFontPointSize(LogFontBlock& font, int points);

}  // namespace tree

#endif  // VOSTREL_TREE_LOG_FONT_H_
