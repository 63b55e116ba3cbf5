#include "app/panel_options.h"

#include <CLI/CLI.hpp>

#include "app/option_values.h"
#include "tree/log_font.h"
#include "tree/panel_settings.h"

namespace app {
namespace {

constexpr std::array<std::string_view, 3> kEdgeNames = {"none", "grey", "sunken"};
constexpr int kMaxFontSize = 1000;

// The colour fields in the order of PanelOptions::colours, with their keys.
struct ColourField {
  const char* key;
  tree::Colour tree::PanelSettings::*field;
};
constexpr std::array<ColourField, 6> kColourFields = {{
    {"color_text", &tree::PanelSettings::text},
    {"color_background", &tree::PanelSettings::back},
    {"color_selected_text", &tree::PanelSettings::text_selected},
    {"color_selected_background", &tree::PanelSettings::back_selected},
    {"color_inactive_selected_text", &tree::PanelSettings::text_selected_inactive},
    {"color_inactive_selected_background", &tree::PanelSettings::back_selected_inactive},
}};

std::string optionName(const char* key) {
  std::string name = std::string("--") + key;
  for (char& c : name) {
    if (c == '_') c = '-';
  }
  return name;
}

}  // namespace

void addPanelOptions(CLI::App& command, PanelOptions& o) {
  command.add_option("--edge", o.edge, "Edge style: none, grey or sunken")->type_name("STYLE");
  command.add_flag_function(
      "--use-ui-attributes,!--no-use-ui-attributes", [&o](int64_t count) { o.use_ui_attributes = count > 0; },
      "Follow the desktop's font and colours (--no-use-ui-attributes: use the panel's own)");
  command.add_flag_function(
      "--follow-playing,!--no-follow-playing", [&o](int64_t count) { o.follow_playing = count > 0; },
      "Re-run visible nodes that follow the playing track (--no-follow-playing: only on use)");
  command.add_option("--icon", o.icon, "Icon index of the top (0 to 65535)")->type_name("N");
  command.add_option("--font-family", o.font_family, "Font family")->type_name("NAME");
  command.add_option("--font-size", o.font_size, "Font size in points (1 to 1000)")->type_name("N");
  command.add_option("--color-line", o.line, "Line colour")->type_name("#RRGGBB");
  for (std::size_t i = 0; i < kColourFields.size(); ++i) {
    command.add_option(optionName(kColourFields[i].key), o.colours[i], "Colour")->type_name("#RRGGBB");
  }
}

bool applyPanelOptions(const PanelOptions& o, tree::PanelSettings& settings, std::string* error) {
  tree::PanelSettings changed = settings;
  if (o.edge) {
    std::size_t style = 0;
    while (style < kEdgeNames.size() && kEdgeNames[style] != *o.edge) ++style;
    if (style == kEdgeNames.size()) {
      *error = "--edge: unknown edge style \"" + *o.edge + "\"; use none, grey or sunken";
      return false;
    }
    changed.edge_style = static_cast<int32_t>(style);
  }
  if (o.use_ui_attributes) changed.use_ui_attributes = *o.use_ui_attributes ? 1 : 0;
  if (o.follow_playing) changed.follow_playing = *o.follow_playing;
  if (o.icon) {
    const auto icon = parseNumber("--icon", *o.icon, 0, UINT16_MAX, error);
    if (!icon) return false;
    changed.icon = static_cast<uint16_t>(*icon);
  }
  if (o.font_family && !tree::setFontFamily(changed.font, *o.font_family)) {
    *error = "--font-family: \"" + *o.font_family + "\" is not a font family name of at most 31 characters";
    return false;
  }
  if (o.font_size) {
    const auto size = parseNumber("--font-size", *o.font_size, 1, kMaxFontSize, error);
    if (!size) return false;
    tree::setFontPointSize(changed.font, static_cast<int>(*size));
  }
  if (o.line) {
    const auto colour = parseColour("--color-line", *o.line, error);
    if (!colour) return false;
    changed.line = *colour;
  }
  for (std::size_t i = 0; i < kColourFields.size(); ++i) {
    if (!o.colours[i]) continue;
    const auto colour = parseColour(optionName(kColourFields[i].key), *o.colours[i], error);
    if (!colour) return false;
    changed.*kColourFields[i].field = *colour;
  }
  settings = changed;
  return true;
}

std::string panelSettingsText(const tree::PanelSettings& s) {
  const std::size_t edge = static_cast<std::size_t>(s.edge_style);
  std::string text;
  text += "edge=" + std::string(edge < kEdgeNames.size() ? kEdgeNames[edge] : "sunken") + "\n";
  text += "use_ui_attributes=" + std::to_string(s.use_ui_attributes != 0 ? 1 : 0) + "\n";
  text += "icon=" + std::to_string(s.icon) + "\n";
  text += "font_family=" + tree::fontFamily(s.font) + "\n";
  text += "font_size=" + std::to_string(tree::fontPointSize(s.font)) + "\n";
  text += "color_line=" + colourText(s.line) + "\n";
  for (const ColourField& field : kColourFields) {
    text += std::string(field.key) + "=" + colourText(s.*field.field) + "\n";
  }
  text += "follow_playing=" + std::to_string(s.follow_playing ? 1 : 0) + "\n";
  text += "root_node_id=" + std::to_string(s.root_node_id) + "\n";
  return text;
}

}  // namespace app
