// The playlist view: columns from the header's menu (kept in layout.json),
// multi-value fields joined as in the tree, the row menu, the status bar's
// summary, and keys and scrolling.
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QUrl>

#include "desktop/main_window.h"
#include "desktop/playlist_model.h"
#include "desktop/playlist_summary.h"
#include "desktop/playlist_tabs.h"
#include "desktop/support/desktop_fixture.h"
#include "desktop/track_properties_dialog.h"
#include "host/track_builder.h"

using desktop::PlaylistTabs;
using desktop_testing::DesktopFixture;
using desktop_testing::selectRows;

namespace {

QStringList headers(QTableView& view) {
  QStringList out;
  const QHeaderView& header = *view.horizontalHeader();
  for (int visual = 0; visual < header.count(); ++visual) {
    const int logical = header.logicalIndex(visual);
    if (!header.isSectionHidden(logical)) out << view.model()->headerData(logical, Qt::Horizontal).toString();
  }
  return out;
}

QAction* findAction(QMenu& menu, const QString& text) {
  for (QAction* action : menu.actions()) {
    if (action->text().remove('&') == text) return action;
  }
  return nullptr;
}

}  // namespace

class PlaylistViewTest : public QObject {
  Q_OBJECT

 private slots:
  void theHeaderMenuShowsHidesAndAddsColumnsKeptInTheLayout() {
    DesktopFixture fixture;
    {
      desktop::DesktopApp& app = fixture.start();
      PlaylistTabs& tabs = app.mainWindow().playlistTabs();
      QTableView& view = *tabs.view(0);
      QCOMPARE(headers(view), QStringList({"Track", "Artist", "Title", "Album", "Length"}));
      std::unique_ptr<QMenu> menu(tabs.headerMenu(1));
      QStringList offered;
      for (QAction* action : menu->actions()) {
        if (action->isCheckable()) offered << action->text();
      }
      QCOMPARE(offered, QStringList({"#", "Artist", "Album artist", "Title", "Album", "Date", "Genre", "Track", "Disc",
                                     "Length", "Codec", "Bitrate", "File name", "Path"}));
      QVERIFY(findAction(*menu, "Artist")->isChecked());
      findAction(*menu, "Genre")->trigger();
      findAction(*menu, "Artist")->trigger();
      QCOMPARE(headers(view), QStringList({"Track", "Title", "Album", "Length", "Genre"}));
      // Every tab shows the same columns.
      QCOMPARE(headers(*tabs.view(1)), headers(view));

      QString error;
      QVERIFY(!tabs.addCustomColumn("Year", "$year(", &error));
      QVERIFY2(error.contains("does not compile"), qPrintable(error));
      QVERIFY(!tabs.addCustomColumn(" ", "%date%", &error));
      QVERIFY(tabs.addCustomColumn("Year", "[%date%]", &error));
      QCOMPARE(headers(view).last(), QStringLiteral("Year"));
      QCOMPARE(tabs.model(0)->index(0, tabs.model(0)->columnCount() - 1).data().toString(), QStringLiteral("2001"));
      // A moved column stays where it was put.
      int genre = 0;
      while (view.model()->headerData(genre, Qt::Horizontal).toString() != "Genre") ++genre;
      view.horizontalHeader()->moveSection(view.horizontalHeader()->visualIndex(genre), 0);
      // The models take the new order once the header's move is done.
      QTRY_COMPARE(view.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Genre"));
      QCOMPARE(headers(view), QStringList({"Genre", "Track", "Title", "Album", "Length", "Year"}));
      QCOMPARE(view.horizontalHeader()->logicalIndex(0), 0);
      view.setColumnWidth(1, 77);
      menu.reset();  // a child of the window that goes
      fixture.quit();
    }
    desktop::DesktopApp& app = fixture.start();
    PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    QCOMPARE(headers(*tabs.view(0)), QStringList({"Genre", "Track", "Title", "Album", "Length", "Year"}));
    QCOMPARE(tabs.view(0)->columnWidth(1), 77);
    // "Remove column" is offered for the custom column only.
    std::unique_ptr<QMenu> plain(tabs.headerMenu(0));
    QVERIFY(findAction(*plain, "Remove column \"Year\"") == nullptr);
    const int year = static_cast<int>(tabs.columnLayout().size()) - 1;
    std::unique_ptr<QMenu> menu(tabs.headerMenu(year));
    findAction(*menu, "Remove column \"Year\"")->trigger();
    QCOMPARE(headers(*tabs.view(0)), QStringList({"Genre", "Track", "Title", "Album", "Length"}));
  }

  // On a first start the columns fit what they hold: the last column's
  // stretch must not pass the others' usual widths off as the user's.
  void aFirstStartFitsTheColumns() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    desktop::MainWindow& window = app.mainWindow();
    PlaylistTabs& tabs = window.playlistTabs();
    QTableView& view = *qobject_cast<QTableView*>(tabs.currentWidget());
    host::TrackBuilder builder;
    builder.setPath("file:///long.flac");
    builder.addMeta("ALBUM", "A Longer Album Name Than Usual (Deluxe Edition)");
    app.player().insertItems(static_cast<std::size_t>(tabs.currentIndex()), 0, {builder.build()}, false);
    // As the view's first layout does: the stretched last column resizes.
    QHeaderView& header = *view.horizontalHeader();
    header.resizeSection(header.logicalIndex(header.count() - 1), 333);
    window.resize(1600, 600);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* model = static_cast<desktop::PlaylistModel*>(view.model());
    QVERIFY(model->rowCount() > 0);
    for (int c = 0; c + 1 < model->columnCount(); ++c) {
      int widest = 0;
      for (int row = 0; row < model->rowCount(); ++row) {
        widest = std::max(widest, view.fontMetrics().horizontalAdvance(model->text(row, c)));
      }
      QTRY_VERIFY2(view.columnWidth(c) >= widest, qPrintable(view.model()->headerData(c, Qt::Horizontal).toString()));
    }
  }

  // Widths a fit chose follow the view when the window grows (rather than
  // leaving the new room to the last column while Album stays cut), until
  // the user sizes a column.
  void fittedColumnsFollowTheViewUntilTheUserSizesOne() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    desktop::MainWindow& window = app.mainWindow();
    window.resize(640, 500);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PlaylistTabs& tabs = window.playlistTabs();
    tabs.fitColumns();
    QTableView& view = *qobject_cast<QTableView*>(tabs.currentWidget());
    const int album = 3;
    QCOMPARE(view.model()->headerData(album, Qt::Horizontal).toString(), QStringLiteral("Album"));
    const int narrow = view.columnWidth(album);
    window.resize(1800, 500);
    QTRY_VERIFY(view.columnWidth(album) > narrow);

    view.horizontalHeader()->resizeSection(album, 90);  // as a drag on the header does
    window.resize(1200, 500);
    QTest::qWait(250);
    QCOMPARE(view.columnWidth(album), 90);
  }

  void multiValueFieldsAreJoinedAsTheTreeJoinsThem() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    tabs.setColumnVisible("genre", true);
    desktop::PlaylistModel& model = *tabs.model(0);
    // "One" has the genres Rock and Pop, joined by the MediaLibrary table's
    // separator (title formatting's %genre% would say "Rock, Pop").
    QCOMPARE(model.index(0, model.columnCount() - 1).data().toString(), QString::fromUtf8("Rock \u00b7 Pop"));
  }

  void theRowMenuPlaysRemovesCropsCopiesOpensAndShows() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    const std::size_t queue = player.createPlaylist("Queue");
    player.insertItems(queue, 0, player.library(), false);
    QTableView& view = *tabs.view(queue);
    selectRows(view, {1, 2});

    std::unique_ptr<QMenu> menu(tabs.itemMenu(queue, 2));
    QStringList texts;
    for (QAction* action : menu->actions()) {
      if (!action->isSeparator()) texts << action->text().remove('&');
    }
    QCOMPARE(texts, QStringList({"Play", "Remove", "Crop", "Copy", "Open containing folder", "Properties", "Columns"}));

    findAction(*menu, "Copy")->trigger();
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    QVERIFY(copied != nullptr);
    QCOMPARE(copied->text(), QString::fromUtf8("/music/Alpha/First/02 Two.flac\n/music/Beta/Second/01 Três.flac"));
    QCOMPARE(copied->urls().size(), 2);
    QCOMPARE(copied->urls()[1].toLocalFile(), QString::fromUtf8("/music/Beta/Second/01 Três.flac"));

    QList<QUrl> opened;
    tabs.setUrlOpener([&opened](const QUrl& url) {
      opened << url;
      return true;
    });
    findAction(*menu, "Open containing folder")->trigger();
    QCOMPARE(opened, QList<QUrl>({QUrl::fromLocalFile("/music/Beta/Second")}));

    findAction(*menu, "Properties")->trigger();
    auto* properties = tabs.findChild<desktop::TrackPropertiesDialog*>();
    QVERIFY(properties != nullptr);
    QStringList rows;
    for (int r = 0; r < properties->table().rowCount(); ++r) {
      rows << properties->table().item(r, 0)->text() + "=" + properties->table().item(r, 1)->text();
    }
    QVERIFY2(rows.contains("title=Três") || rows.contains("Title=Três"), qPrintable(rows.join('|')));
    QVERIFY2(rows.contains("Length=0:59") || rows.contains("Length=1:00"), qPrintable(rows.join('|')));
    QVERIFY(rows.contains(QString::fromUtf8("Location=file:///music/Beta/Second/01 Três.flac")));
    QVERIFY(properties->table().editTriggers() == QAbstractItemView::NoEditTriggers);
    properties->close();

    findAction(*menu, "Crop")->trigger();
    QCOMPARE(player.playlistItemCount(queue), std::size_t{2});
    QCOMPARE(std::string(player.playlists().at(queue).items[0]->path()), "file:///music/Alpha/First/02 Two.flac");
    // Crop without a selection keeps the playlist.
    selectRows(view, {});
    tabs.cropToSelection(queue);
    QCOMPARE(player.playlistItemCount(queue), std::size_t{2});

    std::unique_ptr<QMenu> on_item(tabs.itemMenu(queue, 1));
    findAction(*on_item, "Play")->trigger();
    QCOMPARE(player.playingItem(), std::size_t{1});
    std::unique_ptr<QMenu> empty(tabs.itemMenu(queue, -1));
    QVERIFY(!findAction(*empty, "Play")->isEnabled());
    QVERIFY(!findAction(*empty, "Crop")->isEnabled());
  }

  void summaries_data() {
    QTest::addColumn<QList<double>>("lengths");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QList<double>{} << QList<int>{} << "0 tracks, 0:00";
    QTest::newRow("one") << QList<double>{215.4} << QList<int>{0} << "1 track, 3:35";
    QTest::newRow("over an hour") << QList<double>{3000, 1200.6, 0} << QList<int>{0}
                                  << "3 tracks, 1:10:01";
    QTest::newRow("a selection") << QList<double>{100, 200, 300} << QList<int>{0, 2}
                                 << QString::fromUtf8("3 tracks, 10:00 \u00b7 2 selected, 6:40");
    QTest::newRow("many hours") << QList<double>(1200, 244.05) << QList<int>{} << "1,200 tracks, 81:21:00";
  }

  void summaries() {
    QFETCH(QList<double>, lengths);
    QFETCH(QList<int>, selected);
    QFETCH(QString, text);
    host::TrackList items;
    std::vector<bool> flags(static_cast<std::size_t>(lengths.size()), false);
    for (double length : lengths) {
      host::TrackBuilder builder;
      builder.setPath("file:///a.flac");
      builder.setLength(length);
      items.push_back(builder.build());
    }
    for (int s : selected) flags[static_cast<std::size_t>(s)] = true;
    QCOMPARE(desktop::playlistSummary(items, flags, QLocale(QLocale::English)), text);
  }

  void theStatusBarFollowsThePlaylistAndItsSelection() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    const std::size_t queue = player.createPlaylist("Queue");
    player.insertItems(queue, 0, player.library(), false);
    player.setActivePlaylist(queue);
    QCOMPARE(app.mainWindow().playlistSummaryText(), QStringLiteral("4 tracks, 7:35"));
    selectRows(*tabs.view(queue), {0, 2});
    QCOMPARE(app.mainWindow().playlistSummaryText(), QString::fromUtf8("4 tracks, 7:35 \u00b7 2 selected, 4:35"));
    player.setActivePlaylist(0);
    QCOMPARE(app.mainWindow().playlistSummaryText(), QStringLiteral("1 track, 3:35"));
  }

  void ctrlHomeAndCtrlEndSelectWholeRows() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    const std::size_t queue = player.createPlaylist("Queue");
    player.insertItems(queue, 0, player.library(), false);
    player.setActivePlaylist(queue);
    QTableView& view = *tabs.view(queue);
    selectRows(view, {1});
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(player.playlists().at(queue).selected, (std::vector<bool>{false, false, false, true}));
    QCOMPARE(view.selectionModel()->selectedIndexes().size(), view.model()->columnCount());
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(player.playlists().at(queue).selected, (std::vector<bool>{true, false, false, false}));
  }

  void atStartTheViewShowsThePlayingItem() {
    DesktopFixture fixture;
    {
      desktop::DesktopApp& app = fixture.start();
      player::Player& player = app.player();
      const std::size_t queue = player.createPlaylist("Long");
      host::TrackList many;
      for (int i = 0; i < 100; ++i) many.insert(many.end(), player.library().begin(), player.library().end());
      player.insertItems(queue, 0, many, false);
      player.setActivePlaylist(queue);
      // The playing item of the last session is the first selected one.
      std::vector<bool> selected(many.size(), false);
      selected[300] = true;
      player.setSelection(queue, selected);
      player.startPlayback(queue);
      QCOMPARE(player.playingItem(), std::size_t{300});
      fixture.quit();
    }
    desktop::DesktopApp& app = fixture.start();
    app.mainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&app.mainWindow()));
    PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    QTableView& view = *tabs.view(2);
    QTRY_VERIFY(view.verticalScrollBar()->value() > 0);
    const int shown = view.rowAt(view.viewport()->height() / 2);
    QVERIFY2(std::abs(shown - 300) < 20, qPrintable(QString::number(shown)));
    QCOMPARE(tabs.view(0)->verticalScrollBar()->value(), 0);
  }
};

QTEST_MAIN(PlaylistViewTest)
#include "playlist_view_test.moc"
