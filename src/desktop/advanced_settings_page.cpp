#include "desktop/advanced_settings_page.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "component/registry.h"
#include "player/player.h"
#include "profile/data_error.h"

namespace desktop {
namespace {

using component::AdvancedSettingEntry;
using component::AdvancedSettingKind;

constexpr std::string_view kCaption = "Vostrel";

QString fromString(const std::string& text) { return QString::fromStdString(text); }

// The entries under `parent`, by sort priority (registration order among
// equals).
std::vector<const AdvancedSettingEntry*> childrenOf(const component::Registry& registry, const std::string& parent) {
  std::vector<const AdvancedSettingEntry*> children;
  for (const AdvancedSettingEntry& entry : registry.advancedSettings()) {
    if (entry.parent_guid == parent) children.push_back(&entry);
  }
  std::stable_sort(children.begin(), children.end(), [](const auto* a, const auto* b) {
    return a->sort_priority < b->sort_priority;
  });
  return children;
}

}  // namespace

AdvancedSettingsPage::AdvancedSettingsPage(player::Player& player, const component::Registry& registry,
                                           QWidget* parent)
    : ui::PreferencesPage(parent), player_(player) {
  setObjectName(QStringLiteral("vostrel_advanced_page"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* title = new QLabel(QStringLiteral("Advanced"));
  QFont bold = title->font();
  bold.setWeight(QFont::Bold);
  bold.setPointSize(11);
  title->setFont(bold);
  layout->addWidget(title);
  for (const AdvancedSettingEntry* branch : childrenOf(registry, "")) {
    if (branch->kind == AdvancedSettingKind::kBranch) addBranch(registry, *branch, *layout);
  }
  layout->addStretch(1);
  for (Setting& setting : settings_) {
    setting.stored = player_.settings().get(setting.key);
    show(setting, setting.stored);
  }
}

AdvancedSettingsPage::~AdvancedSettingsPage() = default;

void AdvancedSettingsPage::addBranch(const component::Registry& registry, const AdvancedSettingEntry& branch,
                                     QVBoxLayout& layout) {
  auto* group = new QGroupBox(fromString(branch.name));
  auto* form = new QFormLayout(group);
  const std::size_t first = settings_.size();
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  for (const AdvancedSettingEntry* entry : childrenOf(registry, branch.guid)) {
    Setting setting;
    setting.key = entry->key;
    setting.name = entry->name;
    setting.kind = static_cast<int>(entry->kind);
    const QString name = fromString(entry->name);
    switch (entry->kind) {
      case AdvancedSettingKind::kCheckbox: {
        auto* box = new QCheckBox(name);
        connect(box, &QCheckBox::toggled, this, &AdvancedSettingsPage::changed);
        form->addRow(box);
        setting.widget = box;
        break;
      }
      case AdvancedSettingKind::kUnsigned:
      case AdvancedSettingKind::kText:
      case AdvancedSettingKind::kSecret: {
        auto* edit = new QLineEdit;
        // Not shown to whoever looks at the screen.
        if (entry->kind == AdvancedSettingKind::kSecret) edit->setEchoMode(QLineEdit::Password);
        connect(edit, &QLineEdit::textChanged, this, &AdvancedSettingsPage::changed);
        form->addRow(name + QLatin1Char(':'), edit);
        if (entry->kind == AdvancedSettingKind::kUnsigned) {
          edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 24);
        }
        setting.widget = edit;
        break;
      }
      case AdvancedSettingKind::kBranch: {
        // A branch inside a branch holds radio entries: one choice.
        auto* radios = new QGroupBox(name);
        auto* radio_layout = new QVBoxLayout(radios);
        setting.radios = new QButtonGroup(this);
        for (const AdvancedSettingEntry* radio : childrenOf(registry, entry->guid)) {
          if (radio->kind != AdvancedSettingKind::kRadio) continue;
          auto* button = new QRadioButton(fromString(radio->name));
          setting.radios->addButton(button, static_cast<int>(setting.radio_values.size()));
          setting.radio_values.push_back(radio->radio_value);
          radio_layout->addWidget(button);
        }
        connect(setting.radios, &QButtonGroup::idToggled, this, &AdvancedSettingsPage::changed);
        form->addRow(radios);
        break;
      }
      case AdvancedSettingKind::kRadio:
        continue;  // radio entries belong to a branch of their own
    }
    if (!setting.key.empty()) settings_.push_back(std::move(setting));
  }
  // The note goes with the branch that holds the icon paths.
  if (std::any_of(settings_.begin() + static_cast<std::ptrdiff_t>(first), settings_.end(),
                  [](const Setting& s) { return s.key == "icon_file_paths"; })) {
    auto* note = new QLabel(QStringLiteral("Icon files are read when the program starts."));
    note->setEnabled(false);
    form->addRow(note);
  }
  layout.addWidget(group);
}

QString AdvancedSettingsPage::helpFile() const { return QStringLiteral("vostrel_help.html"); }

std::string AdvancedSettingsPage::value(const Setting& setting) const {
  switch (static_cast<AdvancedSettingKind>(setting.kind)) {
    case AdvancedSettingKind::kCheckbox:
      return static_cast<QCheckBox*>(setting.widget)->isChecked() ? "1" : "0";
    case AdvancedSettingKind::kBranch: {
      const int id = setting.radios->checkedId();
      return id < 0 ? setting.stored : setting.radio_values[static_cast<std::size_t>(id)];
    }
    case AdvancedSettingKind::kUnsigned:
      return static_cast<QLineEdit*>(setting.widget)->text().trimmed().toStdString();
    default:
      return static_cast<QLineEdit*>(setting.widget)->text().toStdString();
  }
}

void AdvancedSettingsPage::show(const Setting& setting, const std::string& value) {
  switch (static_cast<AdvancedSettingKind>(setting.kind)) {
    case AdvancedSettingKind::kCheckbox:
      static_cast<QCheckBox*>(setting.widget)->setChecked(value == "1");
      break;
    case AdvancedSettingKind::kBranch: {
      const auto found = std::find(setting.radio_values.begin(), setting.radio_values.end(), value);
      if (found != setting.radio_values.end()) {
        setting.radios->button(static_cast<int>(found - setting.radio_values.begin()))->setChecked(true);
      }
      break;
    }
    default:
      static_cast<QLineEdit*>(setting.widget)->setText(fromString(value));
  }
}

std::string AdvancedSettingsPage::check(const Setting& setting) const {
  if (static_cast<AdvancedSettingKind>(setting.kind) != AdvancedSettingKind::kUnsigned) return {};
  const std::string text = value(setting);
  uint64_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (!text.empty() && error == std::errc() && end == text.data() + text.size()) return {};
  return "\"" + setting.name + "\" must be a whole number from 0 to " +
         std::to_string(std::numeric_limits<uint64_t>::max()) + ", not \"" + text + "\".";
}

QWidget* AdvancedSettingsPage::field(const std::string& key, const std::string& radio_value) const {
  for (const Setting& setting : settings_) {
    if (setting.key != key) continue;
    if (setting.radios == nullptr) return setting.widget;
    const auto found = std::find(setting.radio_values.begin(), setting.radio_values.end(), radio_value);
    if (found == setting.radio_values.end()) return nullptr;
    return setting.radios->button(static_cast<int>(found - setting.radio_values.begin()));
  }
  return nullptr;
}

bool AdvancedSettingsPage::hasChanges() const {
  return std::any_of(settings_.begin(), settings_.end(),
                     [this](const Setting& setting) { return value(setting) != setting.stored; });
}

bool AdvancedSettingsPage::apply() {
  // Every value is checked before any is stored, so that a refusal leaves
  // the settings as they were.
  for (const Setting& setting : settings_) {
    if (const std::string message = check(setting); !message.empty()) {
      player_.messageBox(message, kCaption);
      if (setting.widget != nullptr) setting.widget->setFocus();
      return false;
    }
  }
  profile::SettingsStore& store = player_.settings();
  try {
    for (const Setting& setting : settings_) {
      if (value(setting) != setting.stored) store.set(setting.key, value(setting));
    }
    store.save();
  } catch (const std::exception& e) {
    player_.messageBox(std::string("The settings could not be saved: ") + e.what(), kCaption);
    return false;
  }
  for (Setting& setting : settings_) {
    setting.stored = value(setting);
    show(setting, setting.stored);  // numbers without the blanks around them
  }
  emit changed();
  return true;
}

}  // namespace desktop
