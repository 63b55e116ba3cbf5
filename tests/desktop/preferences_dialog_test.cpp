// The preferences dialog: its tree of pages, OK, Cancel, Apply and Help, and
// the player's Library and Advanced pages storing their settings.
#include <filesystem>
#include <fstream>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "desktop/advanced_settings_page.h"
#include "desktop/library_page.h"
#include "desktop/main_window.h"
#include "desktop/preferences_dialog.h"
#include "desktop/support/desktop_fixture.h"
#include "profile/profile.h"
#include "profile/resources.h"
#include "profile/settings_store.h"
#include "ui/table_preferences_page.h"

using desktop::AdvancedSettingsPage;
using desktop::LibraryPage;
using desktop::PreferencesDialog;
using desktop_testing::DesktopFixture;

namespace {

// The tree's entries, depth-first, indented two spaces per level.
QStringList treeLines(QTreeWidget& tree) {
  QStringList lines;
  for (QTreeWidgetItemIterator it(&tree); *it != nullptr; ++it) {
    int depth = 0;
    for (QTreeWidgetItem* p = (*it)->parent(); p != nullptr; p = p->parent()) ++depth;
    lines << QString(depth * 2, QLatin1Char(' ')) + (*it)->text(0);
  }
  return lines;
}

}  // namespace

class PreferencesDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<DesktopFixture> fixture_;
  std::unique_ptr<PreferencesDialog> dialog_;
  QStringList help_opened_;
  bool help_opens_ = true;

  PreferencesDialog& dialog() {
    if (!dialog_) {
      desktop::DesktopApp& app = fixture_->app();
      dialog_ = std::make_unique<PreferencesDialog>(app.player(), app.registry(), [this](const QString& file) {
        help_opened_ << file;
        return help_opens_ ? QString() : QStringLiteral("Unable to open help file /x/help/%1: the file does not exist.").arg(file);
      });
    }
    return *dialog_;
  }
  AdvancedSettingsPage& advanced() {
    dialog().showPage("Advanced");
    return *qobject_cast<AdvancedSettingsPage*>(dialog().currentPage());
  }
  LibraryPage& library() {
    dialog().showPage("Library");
    return *qobject_cast<LibraryPage*>(dialog().currentPage());
  }
  QLineEdit& advancedEdit(const std::string& key) { return *qobject_cast<QLineEdit*>(advanced().field(key)); }
  // The settings as a new start would read them.
  profile::SettingsStore savedSettings() {
    return profile::SettingsStore(profile::Profile(fixture_->profileDir()).settingsFile());
  }

 private slots:
  void init() {
    fixture_ = std::make_unique<DesktopFixture>();
    fixture_->start();
    help_opened_.clear();
    help_opens_ = true;
  }
  void cleanup() {
    dialog_.reset();
    fixture_.reset();
  }

  void treeHoldsThePlayersPagesAndTheComponentsBranch() {
    QCOMPARE(treeLines(dialog().tree()),
             (QStringList{"Library", "Advanced", "Vostrel", "  MediaLibrary table", "  Playlist table"}));
    QVERIFY(dialog().showPage("Playlist table"));
    auto* page = qobject_cast<ui::PreferencesPageInstanceTable*>(dialog().currentPage());
    QVERIFY(page != nullptr);
    QCOMPARE(page->tableType(), library_tables::TableType::kPlaylist);
    QVERIFY(dialog().showPage("Vostrel"));
    QVERIFY(dialog().currentPage() == nullptr);
    QVERIFY(!dialog().applyButton().isEnabled());
  }

  void applyFollowsTheShownPage() {
    QVERIFY(!dialog().applyButton().isEnabled());
    advancedEdit("console_row_limit").setText("100");
    QVERIFY(dialog().applyButton().isEnabled());
    dialog().showPage("Library");
    QVERIFY(!dialog().applyButton().isEnabled());
    advanced();
    dialog().applyButton().click();
    QVERIFY(!dialog().applyButton().isEnabled());
    QCOMPARE(fixture_->player().advancedSettings().console_row_limit, uint64_t{100});
    QCOMPARE(savedSettings().get("console_row_limit"), std::string("100"));
  }

  void advancedPageStoresEveryKind() {
    qobject_cast<QCheckBox*>(advanced().field("show_sql_execution_time"))->setChecked(true);
    advancedEdit("overall_node_limit").setText(" 250 ");
    qobject_cast<QRadioButton*>(advanced().field("sql_processing_priority", "below_normal"))->setChecked(true);
    advancedEdit("icon_file_paths").setText("/a.png|/b.png");
    dialog().okButton().click();
    QCOMPARE(dialog().result(), int(QDialog::Accepted));
    const host::AdvancedSettings now = fixture_->player().advancedSettings();
    QVERIFY(now.show_sql_execution_time);
    QCOMPARE(now.overall_node_limit, uint64_t{250});
    QCOMPARE(now.sql_processing_priority, host::SqlPriority::kBelowNormal);
    QCOMPARE(now.icon_file_paths, std::string("/a.png|/b.png"));
    QCOMPARE(savedSettings().list(), fixture_->player().settings().list());
  }

  void badNumbersAreRefused_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("letters") << "12x";
    QTest::newRow("negative") << "-1";
    QTest::newRow("beyond 64 bits") << "18446744073709551616";
  }
  void badNumbersAreRefused() {
    QFETCH(QString, text);
    advancedEdit("icon_file_paths").setText("/changed.png");
    advancedEdit("console_row_limit").setText(text);
    dialog().okButton().click();
    QCOMPARE(dialog().result(), int(QDialog::Rejected));
    QCOMPARE(fixture_->messages.size(), 1);
    QVERIFY2(fixture_->messages[0].contains("\"Vostrel console row limit\" must be a whole number from 0 to "
                                            "18446744073709551615"),
             qPrintable(fixture_->messages[0]));
    // Nothing was stored, not even the good value beside the bad one.
    QCOMPARE(fixture_->player().advancedSettings().icon_file_paths, std::string());
    QCOMPARE(savedSettings().get("console_row_limit"), std::string("5000"));
    QVERIFY(dialog().applyButton().isEnabled());
  }

  void largestNumberIsTaken() {
    advancedEdit("overall_node_limit").setText("18446744073709551615");
    dialog().applyButton().click();
    QVERIFY(fixture_->messages.isEmpty());
    QCOMPARE(fixture_->player().advancedSettings().overall_node_limit, UINT64_MAX);
  }

  void cancelDropsTheEdits() {
    advancedEdit("console_row_limit").setText("7");
    library().fileEdit().setText("/nowhere.json");
    dialog().cancelButton().click();
    QCOMPARE(fixture_->player().advancedSettings().console_row_limit, uint64_t{5000});
    QVERIFY(!std::filesystem::exists(profile::Profile(fixture_->profileDir()).settingsFile()) ||
            savedSettings().get("console_row_limit") == "5000");
  }

  void thePasswordIsMaskedAndStored() {
    QLineEdit& password = advancedEdit("mpd_password");
    QCOMPARE(password.echoMode(), QLineEdit::Password);
    QCOMPARE(advancedEdit("mpd_port").echoMode(), QLineEdit::Normal);
    password.setText("s3cret word");
    dialog().applyButton().click();
    QVERIFY(fixture_->messages.isEmpty());
    QCOMPARE(savedSettings().get("mpd_password"), std::string("s3cret word"));
  }

  void okShowsThePageThatRefused() {
    advancedEdit("console_row_limit").setText("42");
    library().folderList();
    library().foldersChoice().setChecked(true);  // and no folder: refused
    dialog().showPage("Advanced");
    dialog().okButton().click();
    QCOMPARE(dialog().result(), int(QDialog::Rejected));
    QVERIFY(qobject_cast<LibraryPage*>(dialog().currentPage()) != nullptr);
    QCOMPARE(fixture_->messages.size(), 1);
    QVERIFY(fixture_->messages[0].contains("Add at least one music folder"));
    // The page before it was stored.
    QCOMPARE(fixture_->player().advancedSettings().console_row_limit, uint64_t{42});
  }

  void libraryChoiceIsStored() {
    QTemporaryDir folder;
    const QString file = folder.filePath("library.json");
    std::ofstream(file.toStdString()) << "{}";
    library().choose_folder = [&] { return folder.path(); };
    library().addFolder();
    QVERIFY(library().foldersChoice().isChecked());
    dialog().applyButton().click();
    QVERIFY(fixture_->messages.isEmpty());
    QCOMPARE(savedSettings().musicFolders(), std::vector<std::string>{folder.path().toStdString()});
    // Choosing a file forgets the folders.
    library().choose_file = [&] { return file; };
    library().browseFile();
    QVERIFY(library().fileChoice().isChecked());
    QVERIFY(dialog().applyButton().isEnabled());
    dialog().applyButton().click();
    QVERIFY(fixture_->messages.isEmpty());
    QVERIFY(savedSettings().musicFolders().empty());
    QCOMPARE(savedSettings().lastLibrary().value_or(""), file.toStdString());
  }

  void missingLibraryPlacesAreRefused_data() {
    QTest::addColumn<bool>("folders");
    QTest::addColumn<QString>("message");
    QTest::newRow("file") << false << "Vostrel: The library file \"/no/such.json\" does not exist.";
    QTest::newRow("folder") << true << "Vostrel: The music folder \"/no/such.json\" does not exist.";
  }
  void missingLibraryPlacesAreRefused() {
    QFETCH(bool, folders);
    QFETCH(QString, message);
    if (folders) {
      library().choose_folder = [] { return QStringLiteral("/no/such.json"); };
      library().addFolder();
    } else {
      library().fileEdit().setText("/no/such.json");
    }
    dialog().applyButton().click();
    QCOMPARE(fixture_->messages, QStringList{message});
    QVERIFY(savedSettings().musicFolders().empty());
    QCOMPARE(savedSettings().lastLibrary().value_or(""), fixture_->player().settings().lastLibrary().value_or(""));
    QVERIFY(dialog().applyButton().isEnabled());
  }

  void helpOpensThePagesFile_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("file");
    QTest::newRow("table page") << "MediaLibrary table" << "PreferencesDialog.html";
    QTest::newRow("player page") << "Advanced" << "vostrel_help.html";
    QTest::newRow("branch") << "Vostrel" << "vostrel_help.html";
  }
  void helpOpensThePagesFile() {
    QFETCH(QString, page);
    QFETCH(QString, file);
    QVERIFY(dialog().showPage(page));
    dialog().helpButton().click();
    QCOMPARE(help_opened_, QStringList{file});
    QVERIFY(std::filesystem::is_regular_file(profile::resourceDir("help") / file.toStdString()));
    QVERIFY(fixture_->messages.isEmpty());
  }

  void helpThatCannotOpenSaysSo() {
    help_opens_ = false;
    dialog().helpButton().click();
    QCOMPARE(fixture_->messages,
             QStringList{"vostrel: Unable to open help file /x/help/vostrel_help.html: the file does not exist."});
  }

  void toolsMenuOpensTheDialog() {
    desktop::MainWindow& window = fixture_->app().mainWindow();
    QAction* found = nullptr;
    for (QAction* action : window.findChildren<QAction*>()) {
      if (action->text() == "&Preferences...") found = action;
    }
    QVERIFY(found != nullptr);
    bool shown = false;
    QTimer::singleShot(100, &window, [&] {
      for (auto* dialog : window.findChildren<PreferencesDialog*>()) {
        shown = dialog->isVisible();
        dialog->reject();
      }
    });
    found->trigger();
    QVERIFY(shown);
  }
};

QTEST_MAIN(PreferencesDialogTest)
#include "preferences_dialog_test.moc"
