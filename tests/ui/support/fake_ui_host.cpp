#include "ui/support/fake_ui_host.h"

namespace ui_testing {

FakeUiHost::FakeUiHost() {
  font = QFont(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(13);
  // Distinct colours, so that a picture tells which one was used.
  colours = {QColor(0x10, 0x10, 0x10), QColor(0xFF, 0xFF, 0xF0), QColor(0x20, 0x20, 0x60),
             QColor(0xFA, 0xFA, 0xFA), QColor(0x00, 0x78, 0xD7), QColor(0xC8, 0xC8, 0xC8),
             QColor(0xA0, 0xA0, 0xA0)};
}

}  // namespace ui_testing
