#include "ui/action_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "tree/node_actions.h"

namespace ui {

namespace {

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

ActionPage::ActionPage(const std::vector<std::string>& playlists, QWidget* parent) : QWidget(parent) {
  auto* grid = new QGridLayout(this);
  grid->setColumnStretch(1, 1);
  controls_[kClick] = makeBlock(grid, 0, QStringLiteral("Click action:"), playlists);
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  grid->addWidget(line, 3, 0, 1, 2);
  controls_[kMiddleClick] = makeBlock(grid, 4, QStringLiteral("Middle click action:"), playlists);
  grid->setRowStretch(7, 1);
}

ActionPage::Controls ActionPage::makeBlock(QGridLayout* grid, int row, const QString& caption,
                                           const std::vector<std::string>& playlists) {
  Controls controls;
  controls.action = new QComboBox(this);
  for (std::string_view text : tree::actionTexts()) controls.action->addItem(fromUtf8(text));
  controls.action->setMaxVisibleItems(static_cast<int>(tree::actionTexts().size()));
  auto* action_label = new QLabel(caption, this);
  action_label->setBuddy(controls.action);
  grid->addWidget(action_label, row, 0);
  grid->addWidget(controls.action, row, 1);

  controls.target = new QComboBox(this);
  controls.target->setEditable(true);
  controls.target->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& name : playlists) controls.target->addItem(QString::fromStdString(name));
  auto* target_label = new QLabel(QStringLiteral("Target playlist:"), this);
  target_label->setBuddy(controls.target);
  // The label names the box; its line edit, a control of its own for
  // assistive tools, is named after what the block is for.
  controls.target->lineEdit()->setAccessibleName(
      QString(caption).remove(QLatin1Char(':')).replace(QStringLiteral("action"), QStringLiteral("target playlist")));
  grid->addWidget(target_label, row + 1, 0);
  grid->addWidget(controls.target, row + 1, 1);

  auto* boxes = new QHBoxLayout;
  controls.activate = new QCheckBox(QStringLiteral("Activate playlist"), this);
  controls.select = new QCheckBox(QStringLiteral("Select items"), this);
  controls.play = new QCheckBox(QStringLiteral("Start playback"), this);
  boxes->addWidget(controls.activate);
  boxes->addWidget(controls.select);
  boxes->addWidget(controls.play);
  boxes->addStretch(1);
  grid->addLayout(boxes, row + 2, 1);

  connect(controls.action, &QComboBox::currentIndexChanged, this, &ActionPage::actionChanged);
  return controls;
}

void ActionPage::loadAction(Button button, const tree::NodeAction& action) {
  const Controls& c = controls_[button];
  // Codes beyond the list do nothing, as "- No action -" does.
  const int code = action.action < c.action->count() ? int{action.action} : int{tree::kNoAction};
  c.action->setCurrentIndex(code);
  c.target->setEditText(QString::fromStdString(action.target_playlist));
  c.activate->setChecked(action.activate_playlist);
  c.select->setChecked(action.select_items);
  c.play->setChecked(action.start_playback);
}

void ActionPage::load(const tree::QuerySheet& sheet) {
  loadAction(kClick, sheet.click);
  loadAction(kMiddleClick, sheet.middle_click);
}

tree::NodeAction ActionPage::storedAction(Button button) const {
  const Controls& c = controls_[button];
  tree::NodeAction action;
  action.action = static_cast<uint8_t>(std::max(0, c.action->currentIndex()));
  action.target_playlist = c.target->currentText().toStdString();
  action.activate_playlist = c.activate->isChecked();
  action.select_items = c.select->isChecked();
  action.start_playback = c.play->isChecked();
  return action;
}

void ActionPage::store(tree::QuerySheet& sheet) const {
  sheet.click = storedAction(kClick);
  sheet.middle_click = storedAction(kMiddleClick);
}

void ActionPage::showControls(Button button, const tree::ActionControls& enabled) {
  const Controls& c = controls_[button];
  c.target->setEnabled(enabled.target_playlist);
  c.activate->setEnabled(enabled.activate_playlist);
  c.select->setEnabled(enabled.select_items);
  c.play->setEnabled(enabled.start_playback);
}

void ActionPage::showEnableState(const tree::QuerySheet::EnableState& state) {
  showControls(kClick, state.click);
  showControls(kMiddleClick, state.middle_click);
}

}  // namespace ui
