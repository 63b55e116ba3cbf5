// A library chosen in the preferences takes effect at once: music folders
// are scanned in the background and swapped in, a library file is read
// now; an empty library shows a hint whose button opens the Library page.
#include <cstdlib>
#include <filesystem>
#include <functional>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "desktop/library_hint.h"
#include "desktop/library_page.h"
#include "desktop/library_watcher.h"
#include "desktop/main_window.h"
#include "desktop/preferences_dialog.h"
#include "desktop/support/desktop_fixture.h"
#include "profile/settings_store.h"

using desktop_testing::DesktopFixture;
namespace fs = std::filesystem;

namespace {

constexpr int kScanMs = 10000;

// The preferences dialog that shows over `window`, if one does.
desktop::PreferencesDialog* shownPreferences(desktop::MainWindow& window) {
  for (auto* dialog : window.findChildren<desktop::PreferencesDialog*>()) {
    if (dialog->isVisible()) return dialog;
  }
  return nullptr;
}

// Runs `work` on the preferences dialog once it shows (rejecting it after,
// if `work` left it open), polling until then; `done` tells whether it ran.
void whenPreferencesShow(desktop::MainWindow& window, const std::function<void(desktop::PreferencesDialog&)>& work,
                         bool& done) {
  QTimer::singleShot(10, &window, [&window, work, &done] {
    desktop::PreferencesDialog* dialog = shownPreferences(window);
    if (dialog == nullptr) {
      whenPreferencesShow(window, work, done);
      return;
    }
    done = true;
    work(*dialog);
    if (dialog->isVisible()) dialog->reject();
  });
}

// Opens the preferences as Tools > Preferences... does, runs `work` on the
// dialog while it shows, and returns once it is closed.
void inPreferences(desktop::MainWindow& window, const std::function<void(desktop::PreferencesDialog&)>& work,
                   const QString& page = {}) {
  bool ran = false;
  whenPreferencesShow(window, work, ran);
  window.showPreferences(page);
  QVERIFY(ran);
}

void chooseFolder(desktop::MainWindow& window, const fs::path& folder) {
  inPreferences(window, [&](desktop::PreferencesDialog& dialog) {
    dialog.libraryPage().choose_folder = [&] { return QString::fromStdString(folder.string()); };
    while (dialog.libraryPage().folderList().count() > 0) {
      dialog.libraryPage().folderList().setCurrentRow(0);
      dialog.libraryPage().removeFolder();
    }
    dialog.libraryPage().addFolder();
    dialog.accept();
  });
}

void chooseFile(desktop::MainWindow& window, const QString& file) {
  inPreferences(window, [&](desktop::PreferencesDialog& dialog) {
    dialog.libraryPage().fileChoice().setChecked(true);
    dialog.libraryPage().fileEdit().setText(file);
    dialog.accept();
  });
}

}  // namespace

class LibraryChangeTest : public QObject {
  Q_OBJECT

 private:
  testing_support::TempDir dir_;

  fs::path musicFolder() {
    const fs::path music = dir_.path() / "music";
    if (!fs::exists(music)) {
      fs::create_directories(music / "sub");
      fs::copy_file(desktop_testing::corpusDir() / "sinewave.flac", music / "a.flac");
      fs::copy_file(desktop_testing::corpusDir() / "test.ogg", music / "sub" / "b.ogg");
    }
    return music;
  }

 private slots:
  void aMusicFolderChosenInThePreferencesIsScannedAndSwappedIn() {
    if (!fs::is_regular_file(desktop_testing::corpusDir() / "sinewave.flac")) QSKIP("no audio corpus here");
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    desktop::MainWindow& window = app.mainWindow();
    QVERIFY(app.player().libraryTrackCount() != 2);
    chooseFolder(window, musicFolder());
    // In the background: the old library stays until the scan is done.
    QVERIFY(app.libraryWatcher() != nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(app.player().libraryTrackCount(), std::size_t{2}, kScanMs);
    QTRY_VERIFY(!app.libraryWatcher()->scanning());
    QVERIFY(app.libraryWatcher()->watching());
    QVERIFY(fixture.messages.isEmpty());

    // A file in its place is read at once; the folder chosen again comes
    // back although none of its files changed since its scan.
    chooseFile(window, QString::fromUtf8(std::getenv("VOSTREL_DEMO")));
    QCOMPARE(app.player().libraryTrackCount(), std::size_t{1200});
    QVERIFY(app.libraryWatcher() == nullptr);
    chooseFolder(window, musicFolder());
    QTRY_COMPARE_WITH_TIMEOUT(app.player().libraryTrackCount(), std::size_t{2}, kScanMs);
  }

  void anEmptyLibraryShowsAHintWhoseButtonOpensTheLibraryPage() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    desktop::MainWindow& window = app.mainWindow();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.libraryHint().isHidden());

    const fs::path empty = dir_.path() / "empty";
    fs::create_directories(empty);
    chooseFolder(window, empty);
    QTRY_VERIFY_WITH_TIMEOUT(app.libraryWatcher() != nullptr && !app.libraryWatcher()->scanning(), kScanMs);
    QCOMPARE(app.player().libraryTrackCount(), std::size_t{0});
    QVERIFY(window.libraryHint().isVisible());
    QVERIFY2(window.libraryHint().text().text().contains(QString::fromStdString(empty.string())),
             qPrintable(window.libraryHint().text().text()));

    QString page;
    bool shown = false;
    whenPreferencesShow(
        window,
        [&](desktop::PreferencesDialog& dialog) {
          page = dialog.currentPage() == &dialog.libraryPage() ? "Library" : "another";
        },
        shown);
    QTest::mouseClick(&window.libraryHint().addMusicButton(), Qt::LeftButton);
    QVERIFY(shown);
    QCOMPARE(page, QStringLiteral("Library"));

    // Music in the library hides it.
    chooseFile(window, QString::fromUtf8(std::getenv("VOSTREL_DEMO")));
    QVERIFY(window.libraryHint().isHidden());
  }
};

QTEST_MAIN(LibraryChangeTest)
#include "library_change_test.moc"
