// OptionsDialog: "Vostrel Options", a panel's appearance: its edge, whether
// it follows the UI font and colours, the root's icon, and otherwise its own
// font, line colour and six text colours; and whether it re-runs its
// visible nodes that follow the playing track. The dialog edits a working copy;
// OK writes it over the settings it was opened on, Cancel leaves them as
// they were.
//
//   tree::PanelSettings edited = panel.settings();
//   if (ui::OptionsDialog(edited, panel.uiAttributes(), parent).runModal()) apply(edited);
#ifndef VOSTREL_UI_OPTIONS_DIALOG_H_
#define VOSTREL_UI_OPTIONS_DIALOG_H_

#include <array>
#include <functional>
#include <optional>

#include <QFont>

#include "tree/panel_settings.h"
#include "ui/dialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace ui {

class ColorButton;
class IconButton;

class OptionsDialog : public Dialog {
  Q_OBJECT

 public:
  // Picks a font starting at `initial`; nullopt when cancelled.
  using FontChooser = std::function<std::optional<QFont>(QWidget* parent, const QFont& initial)>;

  // The six text colour buttons, in the order of their fields.
  enum TextColour { kText, kBack, kTextSelected, kBackSelected, kTextInactive, kBackInactive, kTextColourCount };

  // Edits `settings`, which must outlive the dialog. With "Use UI
  // attributes" checked, OK takes the font and colours of `ui`.
  OptionsDialog(tree::PanelSettings& settings, const tree::UiAttributes& ui, QWidget* parent = nullptr);

  // The settings as edited so far.
  const tree::PanelSettings& workingCopy() const { return copy_; }

  QComboBox& edgeStyle() const { return *edge_; }
  QCheckBox& useUiAttributes() const { return *use_ui_; }
  QCheckBox& followPlaying() const { return *follow_; }
  IconButton& iconButton() const { return *icon_; }
  QPushButton& fontButton() const { return *font_; }
  ColorButton& lineButton() const { return *line_; }
  ColorButton& colourButton(TextColour which) const { return *colours_[which]; }
  QPushButton& okButton() const { return *ok_; }
  QPushButton& cancelButton() const { return *cancel_; }

  void accept() override;

  // Replaces the font chooser of every options dialog; empty restores the
  // real one.
  static void setFontChooserForTests(FontChooser chooser);

 private:
  void buildLayout();
  void updateEnabled();
  void chooseFont();
  void showFont();
  tree::Colour& field(TextColour which);

  tree::PanelSettings& settings_;
  const tree::UiAttributes ui_;
  tree::PanelSettings copy_;

  QComboBox* edge_ = nullptr;
  QCheckBox* use_ui_ = nullptr;
  QCheckBox* follow_ = nullptr;
  IconButton* icon_ = nullptr;
  QPushButton* font_ = nullptr;
  QLabel* font_name_ = nullptr;
  ColorButton* line_ = nullptr;
  std::array<ColorButton*, kTextColourCount> colours_{};
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// The panel's options editor: runs the dialog on `settings`; true on OK.
bool editPanelOptions(QWidget* parent, tree::PanelSettings& settings, const tree::UiAttributes& ui);

}  // namespace ui

#endif  // VOSTREL_UI_OPTIONS_DIALOG_H_
