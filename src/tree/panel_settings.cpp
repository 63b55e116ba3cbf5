// The panel settings record and its 135-byte little-endian stored form.
#include "tree/panel_settings.h"

#include <cstring>

namespace tree {

namespace {

constexpr uint32_t kSettingsVersion = 1;

class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
  void u8(uint8_t v) { out_.push_back(v); }
  void u16(uint16_t v) {
    for (int i = 0; i < 2; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void block(const LogFontBlock& b) { out_.insert(out_.end(), b.begin(), b.end()); }

 private:
  std::vector<uint8_t>& out_;
};

// Reads whole fields while they last; a field cut short is left alone.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> in) : in_(in) {}
  bool u8(uint8_t& v) {
    if (!take(1)) return false;
    v = in_[pos_ - 1];
    return true;
  }
  bool u16(uint16_t& v) {
    if (!take(2)) return false;
    v = static_cast<uint16_t>(in_[pos_ - 2] | (in_[pos_ - 1] << 8));
    return true;
  }
  bool u32(uint32_t& v) {
    if (!take(4)) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(in_[pos_ - 4 + i]) << (8 * i);
    return true;
  }
  bool i32(int32_t& v) {
    uint32_t u = 0;
    if (!u32(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
  }
  bool block(LogFontBlock& b) {
    if (!take(b.size())) return false;
    std::memcpy(b.data(), in_.data() + pos_ - b.size(), b.size());
    return true;
  }

 private:
  bool take(std::size_t n) {
    if (in_.size() - pos_ < n) return false;
    pos_ += n;
    return true;
  }
  std::span<const uint8_t> in_;
  std::size_t pos_ = 0;
};

}  // namespace

PanelSettings PanelSettings::defaults(const UiAttributes& ui) {
  PanelSettings settings;
  settings.takeUiAttributes(ui);
  return settings;
}

void PanelSettings::takeUiAttributes(const UiAttributes& ui) {
  font = ui.font;
  line = ui.colours[kUiLine];
  text = ui.colours[kUiText];
  back = ui.colours[kUiBackground];
  text_selected = ui.colours[kUiSelectedText];
  back_selected = ui.colours[kUiSelectedBackground];
  text_selected_inactive = ui.colours[kUiInactiveSelectedText];
  back_selected_inactive = ui.colours[kUiInactiveSelectedBackground];
}

NodeAttributes PanelSettings::nodeAttributes() const {
  NodeAttributes block;
  block.icon = icon;
  block.text = text;
  block.back = back;
  block.text_selected = text_selected;
  block.back_selected = back_selected;
  block.text_selected_inactive = text_selected_inactive;
  block.back_selected_inactive = back_selected_inactive;
  return block;
}

std::vector<uint8_t> writePanelSettings(const PanelSettings& s) {
  std::vector<uint8_t> out;
  out.reserve(kPanelSettingsSize);
  Writer w(out);
  w.u32(kSettingsVersion);
  w.u32(static_cast<uint32_t>(s.edge_style));
  w.u32(static_cast<uint32_t>(s.root_node_id));
  w.u8(s.use_ui_attributes);
  w.block(s.font);
  for (Colour c : {s.line, s.text, s.back, s.text_selected, s.back_selected, s.text_selected_inactive,
                   s.back_selected_inactive}) {
    w.u32(c);
  }
  w.u16(s.icon);
  if (s.follow_playing) w.u8(kFollowPlayingFlag);
  return out;
}

bool readPanelSettings(std::span<const uint8_t> stream, const UiAttributes& ui, PanelSettings& s) {
  s = PanelSettings::defaults(ui);
  Reader r(stream);
  uint32_t version = 0;  // read and ignored
  if (!r.u32(version)) return false;
  const bool whole = r.i32(s.edge_style) && r.i32(s.root_node_id) && r.u8(s.use_ui_attributes) && r.block(s.font) &&
                     r.u32(s.line) && r.u32(s.text) && r.u32(s.back) && r.u32(s.text_selected) &&
                     r.u32(s.back_selected) && r.u32(s.text_selected_inactive) && r.u32(s.back_selected_inactive) &&
                     r.u16(s.icon);
  uint8_t flags = 0;
  if (whole && r.u8(flags)) s.follow_playing = (flags & kFollowPlayingFlag) != 0;
  return true;
}

}  // namespace tree
