// ActionPage: the "Action" page of the query sheet. Two blocks, one for the
// click and one for the middle click: the action list (the twelve entries,
// indexed by action code), the editable "Target playlist:" box filled with
// the player's playlist names, and "Activate playlist", "Select items" and
// "Start playback". Which controls are enabled for which code is the
// sheet's rule; the page only shows it.
#ifndef VOSTREL_UI_ACTION_PAGE_H_
#define VOSTREL_UI_ACTION_PAGE_H_

#include <string>
#include <vector>

#include <QWidget>

#include "tree/node_editing.h"

class QCheckBox;
class QComboBox;
class QGridLayout;

namespace ui {

class ActionPage : public QWidget {
  Q_OBJECT

 public:
  enum Button { kClick = 0, kMiddleClick = 1 };

  ActionPage(const std::vector<std::string>& playlists, QWidget* parent = nullptr);

  void load(const tree::QuerySheet& sheet);
  void store(tree::QuerySheet& sheet) const;
  void showEnableState(const tree::QuerySheet::EnableState& state);

  QComboBox* actionBox(Button button) const { return controls_[button].action; }
  QComboBox* targetBox(Button button) const { return controls_[button].target; }
  QCheckBox* activateBox(Button button) const { return controls_[button].activate; }
  QCheckBox* selectBox(Button button) const { return controls_[button].select; }
  QCheckBox* playBox(Button button) const { return controls_[button].play; }

 signals:
  // An action list changed its selection.
  void actionChanged();

 private:
  struct Controls {
    QComboBox* action = nullptr;
    QComboBox* target = nullptr;
    QCheckBox* activate = nullptr;
    QCheckBox* select = nullptr;
    QCheckBox* play = nullptr;
  };

  Controls makeBlock(QGridLayout* grid, int row, const QString& caption, const std::vector<std::string>& playlists);
  void loadAction(Button button, const tree::NodeAction& action);
  tree::NodeAction storedAction(Button button) const;
  void showControls(Button button, const tree::ActionControls& enabled);

  Controls controls_[2];
};

}  // namespace ui

#endif  // VOSTREL_UI_ACTION_PAGE_H_
