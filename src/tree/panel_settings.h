// PanelSettings: what a panel keeps between sessions, and its stored form,
// a packed little-endian record of 135 bytes:
//
//   0 version (always 1)   4 edge style   8 root node id   12 use UI attributes
//   13 font (92-byte LOGFONTW block)   105..129 seven colours (line, text,
//   background, selected text, selected background, inactive selected text,
//   inactive selected background)   133 icon index (16 bit)
//
// followed by one optional byte of this program's own, written only when
// it is not 0, so that the record stays 135 bytes for panels that do not
// use it: 135 flags (bit 0: re-run visible nodes that follow the playing
// track). A record without it reads as 0.
//
// UiAttributes are the desktop's font and colours that a panel follows while
// "use UI attributes" is on, and that a panel without stored settings starts
// from.
#ifndef VOSTREL_TREE_PANEL_SETTINGS_H_
#define VOSTREL_TREE_PANEL_SETTINGS_H_

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "tree/node_attributes.h"

namespace tree {

inline constexpr std::size_t kPanelSettingsSize = 135;
inline constexpr uint8_t kFollowPlayingFlag = 1;
inline constexpr std::size_t kLogFontSize = 92;

// A LOGFONTW kept as its 92 bytes; the desktop program converts it to and
// from its own font type.
using LogFontBlock = std::array<uint8_t, kLogFontSize>;

enum EdgeStyle : int32_t { kEdgeNone = 0, kEdgeGrey = 1, kEdgeSunken = 2 };

// Colour indexes of UiAttributes::colours.
enum UiColour : std::size_t {
  kUiText = 0,
  kUiSelectedText = 1,
  kUiInactiveSelectedText = 2,
  kUiBackground = 3,
  kUiSelectedBackground = 4,
  kUiInactiveSelectedBackground = 5,
  kUiLine = 6,
};

struct UiAttributes {
  LogFontBlock font{};
  std::array<Colour, 7> colours{0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF,
                                0xD77800, 0xF0F0F0, 0xA0A0A0};
};

struct PanelSettings {
  int32_t edge_style = kEdgeSunken;
  int32_t root_node_id = 0;
  uint8_t use_ui_attributes = 1;
  LogFontBlock font{};
  Colour line = 0;
  Colour text = 0;
  Colour back = 0;
  Colour text_selected = 0;
  Colour back_selected = 0;
  Colour text_selected_inactive = 0;
  Colour back_selected_inactive = 0;
  uint16_t icon = kDefaultIcon;
  // "Re-run visible nodes that follow the playing track"; off by default.
  bool follow_playing = false;

  // The defaults: sunken edge, UI attributes on, the UI font and colours.
  static PanelSettings defaults(const UiAttributes& ui);
  // Takes the UI font and the seven colours.
  void takeUiAttributes(const UiAttributes& ui);
  // The block the root node inherits from.
  NodeAttributes nodeAttributes() const;

  bool operator==(const PanelSettings&) const = default;
};

// The stored form.
std::vector<uint8_t> writePanelSettings(const PanelSettings& settings);

// Reads the stored form over `settings`. An empty stream (fewer than four
// bytes) gives PanelSettings::defaults(ui) with root id 0 and returns false.
// A stream cut short keeps every whole field it holds and the defaults for
// the rest, so that a damaged record never loses the root id it still has.
bool readPanelSettings(std::span<const uint8_t> stream, const UiAttributes& ui,
                       PanelSettings& settings);

}  // namespace tree

#endif  // VOSTREL_TREE_PANEL_SETTINGS_H_
