// `panel show` and `panel set`: the fields of the panel's options dialog
// (edge style, UI attributes, icon, font, line colour and the six colours).
#ifndef VOSTREL_APP_PANEL_OPTIONS_H_
#define VOSTREL_APP_PANEL_OPTIONS_H_

#include <array>
#include <optional>
#include <string>

namespace CLI {
class App;
}
namespace tree {
struct PanelSettings;
}

namespace app {

struct PanelOptions {
  std::optional<std::string> edge;  // none, grey, sunken
  std::optional<bool> use_ui_attributes;
  std::optional<bool> follow_playing;
  std::optional<std::string> icon;
  std::optional<std::string> font_family;
  std::optional<std::string> font_size;
  std::optional<std::string> line;
  // text, background, selected text, selected background, inactive selected
  // text, inactive selected background
  std::array<std::optional<std::string>, 6> colours;
};

void addPanelOptions(CLI::App& command, PanelOptions& options);

// Applies the given options; false with the message in `error` (nothing
// changed) when a value is bad.
bool applyPanelOptions(const PanelOptions& options, tree::PanelSettings& settings, std::string* error);

// key=value lines, one per field.
std::string panelSettingsText(const tree::PanelSettings& settings);

}  // namespace app

#endif  // VOSTREL_APP_PANEL_OPTIONS_H_
