#include "desktop/panel_widget.h"

namespace desktop {

PanelWidget* makePanelWidget(host::Host& host, ui::UiHost& ui_host, std::span<const uint8_t> settings_record,
                             std::function<void(const std::string& sql)> send_to_console, QWidget* parent) {
  return new PanelWidget(host, ui_host, settings_record, std::move(send_to_console), parent);
}

}  // namespace desktop
