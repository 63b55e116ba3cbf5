// NodeAttributesBox: the controls a folder, a query node's "Main" page and
// a result level share: "Label:", "Use parent node attributes", "Icon..."
// and the six "Change..." colour buttons in the rows "Text:", "Selected
// text:" and "Inactive selected text:" under "Foreground:" and
// "Background:".
//
// The label and the flag are read by the dialog on OK; the icon and colour
// buttons write into the attribute block as soon as a choice is made.
#ifndef VOSTREL_UI_NODE_ATTRIBUTES_BOX_H_
#define VOSTREL_UI_NODE_ATTRIBUTES_BOX_H_

#include <array>

#include <QColor>
#include <QWidget>

#include "tree/node_attributes.h"

class QCheckBox;
class QLineEdit;

namespace tree {
class Panel;
}

namespace ui {

class ColorButton;
class IconButton;

class NodeAttributesBox : public QWidget {
  Q_OBJECT

 public:
  // The colour buttons in the order of the attribute block: text, back,
  // selected text, selected back, inactive selected text and back.
  static constexpr int kColourCount = 6;

  explicit NodeAttributesBox(QWidget* parent = nullptr);

  // Shows `attributes` (its flag included) on the buttons, which write into
  // it from then on. REQUIRES: `attributes` outlives the box.
  void setAttributes(tree::NodeAttributes* attributes);
  // Shows the block's icon and colours again after a change made elsewhere.
  void showAttributes();
  // The icon selector shows the panel's background and text colours.
  void setSelectorColours(const tree::Panel& panel);

  void setLabel(const std::string& label);
  std::string label() const;
  void setLabelReadOnly(bool read_only);
  bool useParent() const;
  // The icon and colour buttons follow the caller's enable rule.
  void setButtonsEnabled(bool enabled);
  // Gives the label the focus with all its text selected.
  void focusLabel();

  QLineEdit* labelEdit() const { return label_; }
  QCheckBox* useParentBox() const { return use_parent_; }
  IconButton* iconButton() const { return icon_; }
  ColorButton* colourButton(int index) const { return colours_[static_cast<std::size_t>(index)]; }

 signals:
  void labelEdited();
  void useParentToggled();

 private:
  tree::NodeAttributes* attributes_ = nullptr;
  QLineEdit* label_ = nullptr;
  QCheckBox* use_parent_ = nullptr;
  IconButton* icon_ = nullptr;
  std::array<ColorButton*, kColourCount> colours_{};
};

}  // namespace ui

#endif  // VOSTREL_UI_NODE_ATTRIBUTES_BOX_H_
