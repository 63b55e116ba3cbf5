#include "ui/panel_commands.h"

#include "tree/node_actions.h"
#include "ui/ui_host.h"

namespace ui {

std::vector<MenuEntry> contextMenuEntries(tree::NodeType type, bool queryRunning) {
  if (queryRunning) return {{kCommandAbortQuery, QStringLiteral("Abort query\t   Esc")}};
  using tree::NodeType;
  const bool container = type == NodeType::kRoot || type == NodeType::kFolder;
  const bool stored = type == NodeType::kFolder || type == NodeType::kQuery;
  std::vector<MenuEntry> entries;
  if (container) {
    entries.push_back({kCommandNewFolder, QStringLiteral("New folder...\t   Ctrl+Ins")});
    entries.push_back({kCommandNewQuery, QStringLiteral("New query...\t   Ins")});
  }
  if (stored) {
    entries.push_back({kCommandEdit, QStringLiteral("Edit...\t   Enter")});
    entries.push_back({kCommandDelete, QStringLiteral("Delete\t   Del")});
  }
  if (container) entries.push_back({kCommandImport, QStringLiteral("Import...")});
  if (stored) entries.push_back({kCommandExport, QStringLiteral("Export...")});
  if (type == NodeType::kQuery) entries.push_back({kCommandRefresh, QStringLiteral("Refresh\t   F5")});
  entries.push_back({kCommandRefreshAll, QStringLiteral("Refresh all\t   Ctrl+F5")});
  if (type != NodeType::kQueryResult) entries.push_back({kCommandSeparator, {}});
  entries.push_back({kCommandOptions, QStringLiteral("Options...")});
  entries.push_back({kCommandCreateExamples, QStringLiteral("Create example nodes")});
  entries.push_back({kCommandCreateNowPlayingExamples, QStringLiteral("Create 'now playing' examples")});
  entries.push_back({kCommandHelp, QStringLiteral("Help")});
  return entries;
}

std::vector<MenuEntry> actionMenuEntries(const tree::NodeAction& click, const tree::NodeAction& middle) {
  std::vector<MenuEntry> entries;
  auto add = [&](int id, const tree::NodeAction& action, const char* gesture) {
    QString name = QString::fromStdString(tree::actionName(action));
    if (name.isEmpty()) return;
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));  // no mnemonic from a playlist's name
    entries.push_back({id, name + QStringLiteral("\t   ") + QLatin1String(gesture)});
  };
  add(kCommandClick, click, "Click");
  if (!(middle == click)) add(kCommandMiddleClick, middle, "Middle click");
  if (!entries.empty()) entries.push_back({kCommandSeparator, {}});
  return entries;
}

namespace {

bool isLetterOrDigit(int key) { return (key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z); }

bool isNavigation(int key) {
  switch (key) {
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: return true;
    default: return false;
  }
}

}  // namespace

KeyAction keyAction(int key, Qt::KeyboardModifiers modifiers, bool queryRunning) {
  if (modifiers & (Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier)) return KeyAction::kOfferToHost;
  if (queryRunning && key != Qt::Key_Escape) return KeyAction::kOfferToHost;
  const bool ctrl = modifiers & Qt::ControlModifier;
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return ctrl ? KeyAction::kOfferToHost : KeyAction::kEdit;
    case Qt::Key_Escape: return !ctrl && queryRunning ? KeyAction::kAbortQuery : KeyAction::kOfferToHost;
    case Qt::Key_Space: return ctrl ? KeyAction::kMiddleClick : KeyAction::kClick;
    case Qt::Key_Insert: return ctrl ? KeyAction::kNewFolder : KeyAction::kNewQuery;
    case Qt::Key_Delete: return ctrl ? KeyAction::kOfferToHost : KeyAction::kDelete;
    case Qt::Key_F5: return ctrl ? KeyAction::kRefreshAll : KeyAction::kRefresh;
    default: break;
  }
  if (isLetterOrDigit(key) || isNavigation(key)) return ctrl ? KeyAction::kOfferToHost : KeyAction::kControlOnly;
  return KeyAction::kOfferToHost;
}

uint32_t hotKeyCode(int key, Qt::KeyboardModifiers modifiers) {
  uint32_t vk = 0;
  if (isLetterOrDigit(key)) {
    vk = static_cast<uint32_t>(key);  // '0'..'9', 'A'..'Z' as the virtual keys
  } else if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
    vk = 0x70 + static_cast<uint32_t>(key - Qt::Key_F1);
  } else {
    switch (key) {
      case Qt::Key_Backspace: vk = 0x08; break;
      case Qt::Key_Tab:
      case Qt::Key_Backtab: vk = 0x09; break;
      case Qt::Key_Return:
      case Qt::Key_Enter: vk = 0x0D; break;
      case Qt::Key_Pause: vk = 0x13; break;
      case Qt::Key_Escape: vk = 0x1B; break;
      case Qt::Key_Space: vk = 0x20; break;
      case Qt::Key_PageUp: vk = 0x21; break;
      case Qt::Key_PageDown: vk = 0x22; break;
      case Qt::Key_End: vk = 0x23; break;
      case Qt::Key_Home: vk = 0x24; break;
      case Qt::Key_Left: vk = 0x25; break;
      case Qt::Key_Up: vk = 0x26; break;
      case Qt::Key_Right: vk = 0x27; break;
      case Qt::Key_Down: vk = 0x28; break;
      case Qt::Key_Insert: vk = 0x2D; break;
      case Qt::Key_Delete: vk = 0x2E; break;
      case Qt::Key_Asterisk: vk = 0x6A; break;
      case Qt::Key_Plus: vk = 0x6B; break;
      case Qt::Key_Minus: vk = 0x6D; break;
      case Qt::Key_Slash: vk = 0x6F; break;
      case Qt::Key_Comma: vk = 0xBC; break;
      case Qt::Key_Period: vk = 0xBE; break;
      case Qt::Key_MediaPlay:
      case Qt::Key_MediaTogglePlayPause: vk = 0xB3; break;
      case Qt::Key_MediaStop: vk = 0xB2; break;
      case Qt::Key_MediaNext: vk = 0xB0; break;
      case Qt::Key_MediaPrevious: vk = 0xB1; break;
      default: return 0;
    }
  }
  if (modifiers & Qt::ShiftModifier) vk |= kHotKeyShift;
  if (modifiers & Qt::ControlModifier) vk |= kHotKeyCtrl;
  if (modifiers & Qt::AltModifier) vk |= kHotKeyAlt;
  if (modifiers & Qt::MetaModifier) vk |= kHotKeyMeta;
  return vk;
}

}  // namespace ui
