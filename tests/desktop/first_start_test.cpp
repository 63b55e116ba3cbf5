// What a new user meets at the first start. On music folders, the library
// tables and the example tree are made while the library is still empty (its
// cache has nothing yet, and the scan runs in the background), and must be
// whole all the same. The panel's hint stays closed once closed, and the
// selection shows whether the panel has the focus.
#include <filesystem>
#include <fstream>
#include <sstream>

#include <QApplication>
#include <QImage>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include "db/exception.h"
#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "desktop/playlist_tabs.h"
#include "desktop/support/desktop_fixture.h"
#include "query/level_query.h"
#include "tree/folder_node.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "ui/panel_hint.h"
#include "ui/panel_tree_view.h"
#include "ui/tree_model.h"
#include "ui/tree_panel.h"

namespace fs = std::filesystem;
using desktop_testing::DesktopFixture;

namespace {

constexpr int kWaitMs = 15000;

// The first column of the first row of `sql` on the panel's connection, as
// text; "error: " and the message when the statement fails.
QString firstValue(tree::Panel& panel, const std::string& sql) {
  try {
    db::SQLiteColumns row;
    if (!panel.database().HasRows(sql, &row) || row.size() == 0) return {};
    return QString::fromStdString(query::valueText(row[0]));
  } catch (const db::Exception& e) {
    return QStringLiteral("error: ") + QString::fromStdString(e.message());
  }
}

std::string readFile(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

QStringList queryLabels(const tree::Panel& panel) {
  QStringList labels;
  for (const tree::QueryNode* query : panel.queries()) labels << QString::fromStdString(query->label());
  labels.sort();
  return labels;
}

}  // namespace

class FirstStartTest : public QObject {
  Q_OBJECT

 private slots:
  void columnsAndExamplesDoNotWaitForTheScan_data() {
    QTest::addColumn<QStringList>("files");
    QTest::newRow("music folder") << QStringList{"sinewave.flac", "test.ogg", "sub/multiple-vc.flac"};
    QTest::newRow("empty folder") << QStringList{};
  }
  void columnsAndExamplesDoNotWaitForTheScan() {
    QFETCH(QStringList, files);
    const fs::path corpus = desktop_testing::corpusDir();
    if (!files.isEmpty() && !fs::is_directory(corpus)) {
      QSKIP("The audio corpus (tests/data/tag-corpus, or $VOSTREL_TAG_CORPUS) is not here");
    }
    testing_support::TempDir music;
    for (const QString& file : files) {
      const fs::path to = music.path() / file.toStdString();
      fs::create_directories(to.parent_path());
      fs::copy_file(corpus / to.filename(), to);
    }
    DesktopFixture fixture;
    fixture.music_folders = {music.path()};
    fixture.empty_library = true;
    desktop::DesktopApp& app = fixture.start();
    tree::Panel& panel = *app.panel(1);

    // Before the first scan has brought any track in.
    QCOMPARE(queryLabels(panel), (QStringList{"Album", "Genre", "Incomplete albums", "Rebuild MediaLibrary table",
                                              "Rebuild Playlist table", "Tracks per playlist"}));
    for (const char* table : {"MediaLibrary", "Playlist"}) {
      const std::string sql = std::string("SELECT count(title) + count(tracknumber) + count(totaldiscs) + "
                                          "count(composer) + count(comment) + count(codec) + count(bitrate) + "
                                          "count(samplerate) + count(channels) FROM ") + table;
      const QString value = firstValue(panel, sql);
      QVERIFY2(!value.startsWith("error"), qPrintable(value));
    }

    QTRY_COMPARE_WITH_TIMEOUT(app.player().libraryTrackCount(), static_cast<std::size_t>(files.size()), kWaitMs);
    QCOMPARE(firstValue(panel, "SELECT count(codec) FROM MediaLibrary"), QString::number(files.size()));
    QVERIFY(panel.refreshAll());
    const tree::TreeNode* library = panel.findFolder(panel.findFolder(&panel.root(), "<Examples>"), "Library");
    const tree::QueryNode* genre = panel.findQuery(library, "Genre");
    QVERIFY(genre != nullptr);
    QCOMPARE(genre->item()->childCount() > 0, !files.isEmpty());
    const QString log = app.mainWindow().log().toPlainText();
    QVERIFY2(!log.contains("no such column") && !log.contains(">>>>"), qPrintable(log));
  }

  // Closing the panels' hint is kept in the player's settings.
  void aClosedHintStaysClosed() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    ui::TreePanel* panel = app.mainWindow().panels().widget(0);
    QVERIFY(panel->hint() != nullptr);
    panel->hint()->closeButton()->click();
    QVERIFY(panel->hint() == nullptr);
    QVERIFY(readFile(fixture.profileDir() / "settings.json").find("\"tree_hint_dismissed\": true") !=
            std::string::npos);
    fixture.start();
    QVERIFY(fixture.app().mainWindow().panels().widget(0)->hint() == nullptr);
  }

  // The selection of a panel without the focus looks unlike that of the
  // focused panel, also where the style gives both the same highlight.
  void unfocusedSelectionLooksInactive() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    desktop::MainWindow& window = app.mainWindow();
    window.resize(900, 600);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // Room for the whole label, and no hint above the tree.
    window.resizeDocks({window.panels().dock(0)}, {300}, Qt::Horizontal);
    ui::TreePanel* panel = window.panels().widget(0);
    if (panel->hint() != nullptr) panel->hint()->closeButton()->click();
    tree::TreeItem* item = panel->panel().control().top()->child(0);
    panel->panel().control().select(item);
    auto probe = [&] {
      QApplication::processEvents();
      panel->grab();  // paints, storing the label extent
      const QImage image = panel->grab().toImage();
      const QRect row = panel->view()->visualRect(panel->model()->indexOf(item));
      // Inside the highlight, 3 pixels right of the label's end (it reaches 5).
      const QPoint at(item->node()->labelExtent() + 3, row.top() + 1);
      return image.pixelColor(panel->view()->viewport()->mapTo(panel, at));
    };
    panel->view()->setFocus();
    QTRY_VERIFY(panel->view()->hasFocus());
    const QColor focused = probe();
    window.playlistTabs().setFocus();
    QTRY_VERIFY(!panel->view()->hasFocus());
    const QColor unfocused = probe();
    const QColor background = panel->view()->palette().color(QPalette::Base);
    QVERIFY2(focused != unfocused, qPrintable(focused.name() + " both"));
    QVERIFY2(unfocused != background, qPrintable(unfocused.name()));
    QVERIFY(focused != background);
  }
};

QTEST_MAIN(FirstStartTest)
#include "first_start_test.moc"
