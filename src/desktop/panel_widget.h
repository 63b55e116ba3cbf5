// The content of a tree panel's dock: the component's tree panel window,
// made through the one factory function the main window uses.
#ifndef VOSTREL_DESKTOP_PANEL_WIDGET_H_
#define VOSTREL_DESKTOP_PANEL_WIDGET_H_

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "ui/tree_panel.h"

namespace desktop {

using PanelWidget = ui::TreePanel;

// Makes the content of a new panel dock; the caller loads its tree.
PanelWidget* makePanelWidget(host::Host& host, ui::UiHost& ui_host, std::span<const uint8_t> settings_record,
                             std::function<void(const std::string& sql)> send_to_console, QWidget* parent);

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PANEL_WIDGET_H_
