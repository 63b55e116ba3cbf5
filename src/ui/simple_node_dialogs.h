// A minimal editor of a panel's options: its edge and whether it follows the
// UI font and colours. It stands in until the full options dialog exists and
// is plugged into a panel through TreePanel's options editor, so that
// replacing it touches nothing else.
#ifndef VOSTREL_UI_SIMPLE_NODE_DIALOGS_H_
#define VOSTREL_UI_SIMPLE_NODE_DIALOGS_H_

class QWidget;

namespace tree {
struct PanelSettings;
}

namespace ui {

// Edits the edge style and "Use UI attributes" of a panel's settings; true
// on OK.
bool editSettingsInSimpleDialog(QWidget* parent, tree::PanelSettings& settings);

}  // namespace ui

#endif  // VOSTREL_UI_SIMPLE_NODE_DIALOGS_H_
