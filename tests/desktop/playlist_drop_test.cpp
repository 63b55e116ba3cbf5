// Drops onto a playlist: rows moved and copied (onto a row, between rows,
// past the end, onto another tab), tree nodes, files and folders from a file
// manager, and the new-playlist button.
#include <fstream>

#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "desktop/panel_widget.h"
#include "desktop/playlist_drop.h"
#include "desktop/playlist_model.h"
#include "desktop/playlist_tabs.h"
#include "desktop/support/desktop_fixture.h"
#include "support/fake_host.h"
#include "tree/query_node.h"
#include "ui/node_drag.h"
#include "ui/tree_panel.h"

using desktop::PlaylistTabs;
using desktop_testing::DesktopFixture;

namespace {

// The titles of a playlist's items, "-" for an item without one.
QString titles(player::Player& player, std::size_t playlist) {
  static const host::FieldId title = host::findField("title");
  QStringList out;
  for (const host::TrackHandle& track : player.playlists().at(playlist).items) {
    host::FieldPtr field = track->findMeta(title);
    out << (field != nullptr ? QString::fromUtf8(field->values().front()) : QString("-"));
  }
  return out.join(' ');
}

// Sends a drag over `target` at `pos` and drops there, as a drag from
// another widget does.
void dropAt(QWidget& target, const QPoint& pos, QMimeData& data, Qt::DropAction action) {
  QDragEnterEvent enter(pos, action, &data, Qt::LeftButton, {});
  QCoreApplication::sendEvent(&target, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(pos), action, &data, Qt::LeftButton, {});
  QCoreApplication::sendEvent(&target, &drop);
}

}  // namespace

class PlaylistDropTest : public QObject {
  Q_OBJECT

 private slots:
  // Rows of a four-item playlist "One Two Três -" dragged within it.
  void rowsWithinAPlaylist_data() {
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("parentRow");  // -1: no parent
    QTest::addColumn<QString>("after");
    QTest::newRow("onto a track: before it") << QList<int>{0} << int(Qt::MoveAction) << -1 << 2
                                             << "Two One Três -";
    QTest::newRow("onto the first track") << QList<int>{3} << int(Qt::MoveAction) << -1 << 0
                                          << "- One Two Três";
    QTest::newRow("between rows") << QList<int>{3, 0} << int(Qt::MoveAction) << 2 << -1 << "Two One - Três";
    QTest::newRow("past the end") << QList<int>{0, 1} << int(Qt::MoveAction) << -1 << -1 << "Três - One Two";
    QTest::newRow("row count") << QList<int>{1} << int(Qt::MoveAction) << 4 << -1 << "One Três - Two";
    QTest::newRow("copy onto a track") << QList<int>{0, 3} << int(Qt::CopyAction) << -1 << 1
                                       << "One One - Two Três -";
    QTest::newRow("copy past the end") << QList<int>{1} << int(Qt::CopyAction) << -1 << -1
                                       << "One Two Três - Two";
  }

  void rowsWithinAPlaylist() {
    QFETCH(QList<int>, rows);
    QFETCH(int, action);
    QFETCH(int, row);
    QFETCH(int, parentRow);
    QFETCH(QString, after);
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    const std::size_t queue = player.createPlaylist("Queue");
    player.insertItems(queue, 0, player.library(), false);
    QCOMPARE(titles(player, queue), QString("One Two Três -"));
    desktop::PlaylistModel& model = *app.mainWindow().playlistTabs().model(queue);
    QModelIndexList indexes;
    for (int r : rows) indexes << model.index(r, 0) << model.index(r, 2);
    std::unique_ptr<QMimeData> data(model.mimeData(indexes));
    const QModelIndex parent = parentRow >= 0 ? model.index(parentRow, 0) : QModelIndex();
    // False even when it dropped: the view must not remove the moved rows.
    QVERIFY(!model.dropMimeData(data.get(), Qt::DropAction(action), row, 0, parent));
    QCOMPARE(titles(player, queue), after);
    QCOMPARE(model.rowCount(), int(player.playlistItemCount(queue)));
  }

  void rowsDroppedOnAnotherTabMoveThere() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    const std::size_t queue = player.createPlaylist("Queue");
    player.insertItems(queue, 0, player.library(), false);
    app.mainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&app.mainWindow()));
    desktop::PlaylistModel& model = *tabs.model(queue);
    std::unique_ptr<QMimeData> data(model.mimeData({model.index(1, 0), model.index(2, 0)}));
    const QString default_before = titles(player, 0);
    dropAt(*tabs.tabBar(), tabs.tabBar()->tabRect(0).center(), *data, Qt::MoveAction);
    QCOMPARE(titles(player, queue), QString("One -"));
    QCOMPARE(titles(player, 0), default_before + " Two Três");
    // The arrivals are the selection.
    const std::vector<bool>& selected = player.playlists().at(0).selected;
    QCOMPARE(std::count(selected.begin(), selected.end(), true), 2);
    QVERIFY(selected.back());

    // With Ctrl, onto the "+" button: a new playlist of copies, named after
    // the rows' playlist.
    std::unique_ptr<QMimeData> copy(tabs.model(queue)->mimeData({tabs.model(queue)->index(0, 0)}));
    dropAt(tabs.newPlaylistButton(), tabs.newPlaylistButton().rect().center(), *copy, Qt::CopyAction);
    const std::size_t made = player.playlistCount() - 1;
    QCOMPARE(player.playlistName(made), std::string("Queue"));
    QCOMPARE(titles(player, made), QString("One"));
    QCOMPARE(titles(player, queue), QString("One -"));
    QCOMPARE(player.activePlaylist(), made);
  }

  void aTreeNodeDropsItsTracks() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    ui::TreePanel* panel = app.mainWindow().panels().widget(0);
    QVERIFY(panel != nullptr);
    QVERIFY(!panel->panel().queries().empty());
    tree::QueryNode& query = *panel->panel().queries().front();
    host::TrackList expected;
    QVERIFY(query.collectTracks({}, expected));
    QVERIFY(!expected.empty());

    std::unique_ptr<QMimeData> data(ui::nodeMimeData(*panel, query));
    QVERIFY(desktop::canDropOnPlaylist(*data));
    const std::size_t before = player.playlistItemCount(1);
    desktop::PlaylistModel& model = *tabs.model(1);
    QVERIFY(!model.dropMimeData(data.get(), Qt::CopyAction, -1, 0, model.index(1, 0)));
    const host::TrackList& items = player.playlists().at(1).items;
    QCOMPARE(items.size(), before + expected.size());
    QCOMPARE(items[1], expected.front());  // before the row dropped on
    QCOMPARE(items.back(), player.playlists().at(1).items.back());

    // Onto "+": a playlist named after the node.
    const std::size_t made = tabs.drop().dropOnNewPlaylist(*data, Qt::CopyAction);
    QCOMPARE(made, player.playlistCount() - 1);
    QCOMPARE(player.playlistName(player.playlistCount() - 1), query.label());
    QCOMPARE(player.playlistItemCount(player.playlistCount() - 1), expected.size());

    // A node of another process, or one that is gone, brings nothing.
    QMimeData stranger;
    stranger.setData(ui::kNodeMimeType, "1 2 0");
    QVERIFY(!tabs.drop().drop(stranger, Qt::CopyAction, 1, 0));
    QCOMPARE(tabs.drop().dropOnNewPlaylist(stranger, Qt::CopyAction), host::kNoPlaylist);
  }

  void filesAndFoldersAreReadInLocationOrder() {
    const std::filesystem::path corpus = desktop_testing::corpusDir();
    if (corpus.empty()) QSKIP("The audio corpus is not here");
    testing_support::TempDir dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir.path() / "Album" / "CD2");
    fs::copy_file(corpus / "sinewave.flac", dir.path() / "Album" / "b.flac");
    fs::copy_file(corpus / "test.ogg", dir.path() / "Album" / "CD2" / "a.ogg");
    fs::copy_file(corpus / "sinewave.flac", dir.path() / "Album" / "a.flac");
    { std::ofstream(dir.path() / "Album" / "cover.txt") << "not music"; }
    fs::copy_file(corpus / "test.ogg", dir.path() / "single.ogg");

    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    const std::size_t queue = player.createPlaylist("Queue");
    player.insertItems(queue, 0, {player.library()[0]}, false);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir.path() / "single.ogg").string())),
                  QUrl::fromLocalFile(QString::fromStdString((dir.path() / "Album").string())),
                  QUrl::fromLocalFile(QString::fromStdString((dir.path() / "missing.flac").string()))});
    desktop::PlaylistModel& model = *app.mainWindow().playlistTabs().model(queue);
    model.dropMimeData(&data, Qt::CopyAction, 0, 0, {});
    QStringList paths;
    for (const host::TrackHandle& track : player.playlists().at(queue).items) {
      paths << QString::fromStdString(std::string(track->path())).section('/', -2);
    }
    // Location order is the order of the files' URIs: "CD2" before "a.flac".
    QCOMPARE(paths, QStringList({"Sandbox/single.ogg", "CD2/a.ogg", "Album/a.flac", "Album/b.flac", "First/01 One.flac"})
                        .replaceInStrings("Sandbox", QString::fromStdString(dir.path().filename().string())));
    QVERIFY(player.playlists().at(queue).items[1]->length() > 0);
    QVERIFY(fixture.messages.join('\n').contains("missing.flac") ||
            app.mainWindow().log().toPlainText().contains("missing.flac"));
  }

  // A dropped playlist file gives its entries: the library's own records
  // where they are in it, records of their own elsewhere.
  void aPlaylistFileGivesItsEntries() {
    testing_support::TempDir dir;
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    const host::TrackHandle known = player.library()[1];
    const std::filesystem::path file = dir.path() / "trip.m3u8";
    std::ofstream(file) << std::string(known->path()) << "\n/elsewhere/gone.mp3\n";
    const std::size_t queue = player.createPlaylist("Queue");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    QVERIFY(app.mainWindow().playlistTabs().drop().drop(data, Qt::CopyAction, queue, 0));
    const host::TrackList& items = player.playlists().at(queue).items;
    QCOMPARE(items.size(), std::size_t{2});
    QCOMPARE(items[0], known);
    QCOMPARE(QString::fromStdString(std::string(items[1]->path())), QString("file:///elsewhere/gone.mp3"));
  }
};

QTEST_MAIN(PlaylistDropTest)
#include "playlist_drop_test.moc"
