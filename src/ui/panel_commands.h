// The context menu and the keys of a tree panel, as tables: which commands
// the menu offers for a node type and run state, what a key does, and the
// hot-key code of a key offered to the host's shortcuts.
#ifndef VOSTREL_UI_PANEL_COMMANDS_H_
#define VOSTREL_UI_PANEL_COMMANDS_H_

#include <cstdint>
#include <vector>

#include <QString>
#include <Qt>

#include "tree/node_attributes.h"
#include "tree/query_definition.h"

namespace ui {

// Context-menu command ids.
enum PanelCommand : int {
  kCommandSeparator = 0,
  kCommandNewFolder = 1,
  kCommandNewQuery = 2,
  kCommandEdit = 3,
  kCommandDelete = 4,
  kCommandOptions = 5,
  kCommandRefresh = 6,
  kCommandRefreshAll = 7,
  kCommandAbortQuery = 8,
  kCommandCreateExamples = 9,
  kCommandHelp = 10,
  kCommandClick = 11,
  kCommandMiddleClick = 12,
  kCommandExport = 13,
  kCommandImport = 14,
  kCommandCreateNowPlayingExamples = 15,
};

struct MenuEntry {
  int id = kCommandSeparator;
  QString text;  // empty for a separator
};

// The context menu for a node of `type`; while a query runs only "Abort
// query".
std::vector<MenuEntry> contextMenuEntries(tree::NodeType type, bool queryRunning);

// The entries that head a result node's menu: its query node's click and
// middle-click actions by name ("Send to target playlist “Mix”\t   Click"),
// then a separator. None for actions that do nothing; a middle click that
// does what the click does is not offered twice.
std::vector<MenuEntry> actionMenuEntries(const tree::NodeAction& click, const tree::NodeAction& middle);

// What a key on the tree does.
enum class KeyAction {
  kEdit,
  kAbortQuery,
  kClick,
  kMiddleClick,
  kNewQuery,
  kNewFolder,
  kDelete,
  kRefresh,
  kRefreshAll,
  kControlOnly,   // the tree handles it (navigation, incremental search)
  kOfferToHost,   // offered to the host's shortcuts, then the tree has it
};

KeyAction keyAction(int key, Qt::KeyboardModifiers modifiers, bool queryRunning);

// The hot-key code of a key: its virtual-key code in the low byte, Shift
// 0x100, Ctrl 0x200, Alt 0x400, Meta 0x800. 0 for a key without a code.
uint32_t hotKeyCode(int key, Qt::KeyboardModifiers modifiers);

}  // namespace ui

#endif  // VOSTREL_UI_PANEL_COMMANDS_H_
