#include "desktop/library_page.h"

#include <filesystem>
#include <system_error>

#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "player/player.h"

namespace desktop {
namespace {

constexpr std::string_view kCaption = "Vostrel";

QString fromString(const std::string& text) { return QString::fromStdString(text); }

bool isFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

bool isFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

}  // namespace

LibraryPage::LibraryPage(player::Player& player, QWidget* parent) : ui::PreferencesPage(parent), player_(player) {
  setObjectName(QStringLiteral("vostrel_library_page"));
  choose_file = [this] {
    return QFileDialog::getOpenFileName(this, QStringLiteral("Choose library file"), file_->text(),
                                        QStringLiteral("Library files (*.json);;All files (*)"));
  };
  choose_folder = [this] { return QFileDialog::getExistingDirectory(this, QStringLiteral("Add music folder")); };

  auto* title = new QLabel(QStringLiteral("Library"));
  QFont bold = title->font();
  bold.setWeight(QFont::Bold);
  bold.setPointSize(11);
  title->setFont(bold);

  file_choice_ = new QRadioButton(QStringLiteral("Library &file:"));
  file_ = new QLineEdit;
  file_->setAccessibleName(QStringLiteral("Library file"));
  file_->setPlaceholderText(QStringLiteral("the demo library"));
  browse_ = new QPushButton(QStringLiteral("&Browse..."));
  browse_->setAutoDefault(false);
  folders_choice_ = new QRadioButton(QStringLiteral("&Music folders, scanned for audio files:"));
  folders_ = new QListWidget;
  folders_->setAccessibleName(QStringLiteral("Music folders"));
  folders_->setSelectionMode(QAbstractItemView::SingleSelection);
  folders_->setFixedHeight(folders_->fontMetrics().height() * 8);
  add_folder_ = new QPushButton(QStringLiteral("&Add folder..."));
  add_folder_->setAutoDefault(false);
  remove_folder_ = new QPushButton(QStringLiteral("&Remove folder"));
  remove_folder_->setAutoDefault(false);
  auto* note = new QLabel(QStringLiteral(
      "A new choice takes effect at once. Music folders are read in the background, and watched: files added, "
      "changed or removed there show up a second later."));
  note->setWordWrap(true);

  auto* file_row = new QHBoxLayout;
  file_row->addWidget(file_, 1);
  file_row->addWidget(browse_);
  auto* folder_buttons = new QVBoxLayout;
  folder_buttons->addWidget(add_folder_);
  folder_buttons->addWidget(remove_folder_);
  folder_buttons->addStretch(1);
  auto* folder_row = new QHBoxLayout;
  folder_row->addWidget(folders_, 1);
  folder_row->addLayout(folder_buttons);

  const int indent = file_choice_->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) + 6;
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(title);
  layout->addSpacing(4);
  layout->addWidget(file_choice_);
  file_row->setContentsMargins(indent, 0, 0, 0);
  layout->addLayout(file_row);
  layout->addSpacing(8);
  layout->addWidget(folders_choice_);
  folder_row->setContentsMargins(indent, 0, 0, 0);
  layout->addLayout(folder_row);
  layout->addSpacing(8);
  layout->addWidget(note);
  layout->addStretch(1);

  connect(file_choice_, &QRadioButton::toggled, this, &LibraryPage::updateStates);
  connect(file_, &QLineEdit::textChanged, this, &LibraryPage::changed);
  connect(browse_, &QPushButton::clicked, this, &LibraryPage::browseFile);
  connect(add_folder_, &QPushButton::clicked, this, &LibraryPage::addFolder);
  connect(remove_folder_, &QPushButton::clicked, this, &LibraryPage::removeFolder);
  connect(folders_, &QListWidget::itemSelectionChanged, this, &LibraryPage::updateStates);

  const profile::SettingsStore& settings = player_.settings();
  stored_.folder_list = settings.musicFolders();
  stored_.folders = !stored_.folder_list.empty();
  stored_.file = settings.lastLibrary().value_or("");
  show(stored_);
}

LibraryPage::~LibraryPage() = default;

QString LibraryPage::helpFile() const { return QStringLiteral("vostrel_help.html"); }

void LibraryPage::show(const Choice& choice) {
  (choice.folders ? folders_choice_ : file_choice_)->setChecked(true);
  file_->setText(fromString(choice.file));
  folders_->clear();
  for (const std::string& folder : choice.folder_list) folders_->addItem(fromString(folder));
  updateStates();
}

LibraryPage::Choice LibraryPage::current() const {
  Choice choice;
  choice.folders = folders_choice_->isChecked();
  if (!choice.folders) {
    choice.file = file_->text().trimmed().toStdString();
    return choice;
  }
  choice.file = stored_.file;
  for (int i = 0; i < folders_->count(); ++i) choice.folder_list.push_back(folders_->item(i)->text().toStdString());
  return choice;
}

void LibraryPage::updateStates() {
  const bool folders = folders_choice_->isChecked();
  file_->setEnabled(!folders);
  browse_->setEnabled(!folders);
  folders_->setEnabled(folders);
  add_folder_->setEnabled(folders);
  remove_folder_->setEnabled(folders && !folders_->selectedItems().isEmpty());
  emit changed();
}

void LibraryPage::browseFile() {
  const QString path = choose_file();
  if (path.isEmpty()) return;
  file_choice_->setChecked(true);
  file_->setText(path);
}

void LibraryPage::addFolder() {
  const QString path = choose_folder();
  if (path.isEmpty() || !folders_->findItems(path, Qt::MatchExactly).isEmpty()) return;
  folders_choice_->setChecked(true);
  folders_->addItem(path);
  folders_->setCurrentRow(folders_->count() - 1);
  emit changed();
}

void LibraryPage::removeFolder() {
  const int row = folders_->currentRow();
  if (row < 0) return;
  delete folders_->takeItem(row);
  emit changed();
}

bool LibraryPage::hasChanges() const { return !(current() == stored_); }

bool LibraryPage::apply() {
  const Choice choice = current();
  std::string refusal;
  if (!choice.folders && !choice.file.empty() && !isFile(choice.file)) {
    refusal = "The library file \"" + choice.file + "\" does not exist.";
  } else if (choice.folders && choice.folder_list.empty()) {
    refusal = "Add at least one music folder, or choose a library file.";
  }
  for (const std::string& folder : choice.folder_list) {
    if (refusal.empty() && !isFolder(folder)) refusal = "The music folder \"" + folder + "\" does not exist.";
  }
  if (!refusal.empty()) {
    player_.messageBox(refusal, kCaption);
    return false;
  }
  profile::SettingsStore& settings = player_.settings();
  if (choice.folders) {
    settings.setMusicFolders(choice.folder_list);
  } else {
    settings.setLastLibrary(choice.file);
    settings.setMusicFolders({});
  }
  try {
    settings.save();
  } catch (const std::exception& e) {
    player_.messageBox(std::string("The settings could not be saved: ") + e.what(), kCaption);
    return false;
  }
  stored_ = choice;
  emit changed();
  emit libraryChanged();
  return true;
}

}  // namespace desktop
