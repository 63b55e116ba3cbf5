// AdvancedSettingsPage: the "Advanced" page of the preferences dialog. It
// shows the advanced settings the components registered, one group per
// branch ("Vostrel"): check boxes, number fields, a radio group for a
// branch of radio entries, and text fields. Apply checks every number, then
// stores the values in the player's settings and saves the settings file;
// the running program reads them from there.
#ifndef VOSTREL_DESKTOP_ADVANCED_SETTINGS_PAGE_H_
#define VOSTREL_DESKTOP_ADVANCED_SETTINGS_PAGE_H_

#include <string>
#include <vector>

#include "ui/preferences_page.h"

class QAbstractButton;
class QButtonGroup;
class QLineEdit;
class QVBoxLayout;

namespace component {
class Registry;
struct AdvancedSettingEntry;
}  // namespace component

namespace player {
class Player;
}

namespace desktop {

class AdvancedSettingsPage : public ui::PreferencesPage {
  Q_OBJECT

 public:
  AdvancedSettingsPage(player::Player& player, const component::Registry& registry, QWidget* parent = nullptr);
  ~AdvancedSettingsPage() override;

  bool hasChanges() const override;
  bool apply() override;
  QString helpFile() const override;

  // The field of a setting's key (check box, line edit, or the radio
  // button of `radio_value`); nullptr when there is none.
  QWidget* field(const std::string& key, const std::string& radio_value = {}) const;

 private:
  // One stored setting and the widgets that edit it.
  struct Setting {
    std::string key;
    std::string name;
    int kind = 0;                            // component::AdvancedSettingKind
    QWidget* widget = nullptr;               // check box or line edit
    QButtonGroup* radios = nullptr;          // radio entries
    std::vector<std::string> radio_values;   // by button id
    std::string stored;                      // the value when last stored
  };

  void addBranch(const component::Registry& registry, const component::AdvancedSettingEntry& branch,
                 QVBoxLayout& layout);
  std::string value(const Setting& setting) const;
  void show(const Setting& setting, const std::string& value);
  // The message for a value that cannot be stored, or "".
  std::string check(const Setting& setting) const;

  player::Player& player_;
  std::vector<Setting> settings_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_ADVANCED_SETTINGS_PAGE_H_
