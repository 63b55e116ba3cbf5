// Playlist tabs and tables: every user operation goes through the player,
// raises the player's events, and leaves tabs, tables and player agreeing.
#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>
#include <QTest>

#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "desktop/playlist_model.h"
#include "desktop/playlist_tabs.h"
#include "desktop/support/desktop_fixture.h"
#include "tree/query_node.h"
#include "ui/tree_panel.h"

using desktop::PlaylistTabs;
using desktop_testing::DesktopFixture;
using desktop_testing::selectRows;

namespace {

enum Operation { kNew, kRename, kRenameBlank, kClose, kMoveTab, kRemoveItems, kDragItems, kSwitchTab };

// "Default*:1 Jazz:2": names, "*" on the active one, item counts.
QString state(player::Player& player) {
  QStringList parts;
  for (std::size_t p = 0; p < player.playlistCount(); ++p) {
    parts << QString::fromStdString(player.playlistName(p)) + (p == player.activePlaylist() ? "*" : "") + ":" +
                 QString::number(player.playlistItemCount(p));
  }
  return parts.join(' ');
}

// Whether the tabs show what the player holds.
bool tabsAgree(PlaylistTabs& tabs, player::Player& player) {
  if (static_cast<std::size_t>(tabs.count()) != player.playlistCount()) return false;
  if (static_cast<std::size_t>(tabs.currentIndex()) != player.activePlaylist()) return false;
  for (std::size_t p = 0; p < player.playlistCount(); ++p) {
    if (tabs.tabText(static_cast<int>(p)).replace("&&", "&") != QString::fromStdString(player.playlistName(p))) {
      return false;
    }
    if (static_cast<std::size_t>(tabs.model(p)->rowCount()) != player.playlistItemCount(p)) return false;
    if (tabs.model(p)->playlist() != p) return false;
  }
  return true;
}

}  // namespace

class PlaylistTabsTest : public QObject {
  Q_OBJECT

 private slots:
  void operations_data() {
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("after");
    QTest::addColumn<std::vector<int>>("events");
    QTest::newRow("new playlist") << int(kNew) << "Default:1 Jazz:2 New playlist*:0" << std::vector<int>{11, 10};
    QTest::newRow("rename") << int(kRename) << "Default*:1 Cool & calm:2" << std::vector<int>{15};
    QTest::newRow("rename to blanks") << int(kRenameBlank) << "Default*:1 Jazz:2" << std::vector<int>{};
    QTest::newRow("close the active playlist") << int(kClose) << "Jazz*:2" << std::vector<int>{13, 14, 10};
    QTest::newRow("drag a tab") << int(kMoveTab) << "Jazz:2 Default*:1" << std::vector<int>{12};
    QTest::newRow("switch tabs") << int(kSwitchTab) << "Default:1 Jazz*:2" << std::vector<int>{10};
    QTest::newRow("remove items") << int(kRemoveItems) << "Default:1 Jazz*:1" << std::vector<int>{10, 4, 3};
    QTest::newRow("drag items") << int(kDragItems) << "Default:1 Jazz*:2" << std::vector<int>{10, 1};
  }

  void operations() {
    QFETCH(int, operation);
    QFETCH(QString, after);
    QFETCH(std::vector<int>, events);
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    player::Player& player = app.player();
    QCOMPARE(state(player), QString("Default*:1 Jazz:2"));
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
    for (std::size_t p = 0; p < player.playlistCount(); ++p) {
      testers.push_back(std::make_unique<QAbstractItemModelTester>(
          tabs.model(p), QAbstractItemModelTester::FailureReportingMode::QtTest));
    }
    const std::string second_item(player.playlists().at(1).items[1]->path());

    switch (operation) {
      case kNew: tabs.newPlaylist(); break;
      case kRename: tabs.renamePlaylist(1, " Cool & calm "); break;
      case kRenameBlank: tabs.renamePlaylist(1, "  "); break;
      case kClose: tabs.closePlaylist(0); break;
      case kMoveTab: tabs.tabBar()->moveTab(0, 1); break;
      case kSwitchTab: tabs.setCurrentIndex(1); break;
      case kRemoveItems:
        tabs.setCurrentIndex(1);
        selectRows(*tabs.view(1), {0});
        tabs.removeSelectedItems();
        QCOMPARE(std::string(player.playlists().at(1).items[0]->path()), second_item);
        break;
      case kDragItems: {
        tabs.setCurrentIndex(1);
        desktop::PlaylistModel& model = *tabs.model(1);
        std::unique_ptr<QMimeData> data(model.mimeData({model.index(1, 0), model.index(1, 2)}));
        QVERIFY(!model.dropMimeData(data.get(), Qt::MoveAction, 0, 0, {}));
        QCOMPARE(std::string(player.playlists().at(1).items[0]->path()), second_item);
        break;
      }
    }
    QCoreApplication::processEvents();
    QCOMPARE(state(player), after);
    QCOMPARE(fixture.recorder.events, events);
    QVERIFY(tabsAgree(tabs, player));
  }

  void theViewSelectionIsThePlayersSelection() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    player::Player& player = app.player();
    selectRows(*tabs.view(1), {1});
    QCOMPARE(player.playlists().at(1).selected, (std::vector<bool>{false, true}));
    QCOMPARE(player.insertionPoint(1), std::size_t{2});

    // Items the component inserts selected are selected in the view.
    player.insertItems(1, 0, {player.library()[0], player.library()[1]}, true);
    QCOMPARE(tabs.view(1)->model()->rowCount(), 4);
    QCOMPARE(tabs.view(1)->selectionModel()->selectedRows().size(), 3);
    QVERIFY(tabs.view(1)->selectionModel()->isRowSelected(0, {}));
    QVERIFY(!tabs.view(1)->selectionModel()->isRowSelected(2, {}));
  }

  // What selected() reads: the current row of the active playlist's view.
  void theViewsCurrentRowIsThePlayersFocus() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    player::Player& player = app.player();
    QVERIFY(player.focusedTrack() == nullptr);
    tabs.setCurrentIndex(1);
    fixture.recorder.events.clear();
    tabs.view(1)->setCurrentIndex(tabs.model(1)->index(1, 0));
    QVERIFY(player.focusedTrack() == player.playlists().at(1).items[1]);
    QCOMPARE(fixture.recorder.events, (std::vector<int>{4, 5}));  // selected, then focused
    tabs.setCurrentIndex(0);
    QVERIFY2(player.focusedTrack() == nullptr, "another playlist is active, with no current row");
    tabs.setCurrentIndex(1);
    QVERIFY2(player.focusedTrack() == player.playlists().at(1).items[1], "back: its view's current row again");
  }

  // The window tells the component when another track plays; a panel with
  // "Re-run visible nodes that follow the playing track" runs its expanded
  // follower again from the event loop.
  void playingAnotherTrackReRunsAFollowingNode() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    player::Player& player = app.player();
    tree::Panel& panel = static_cast<ui::TreePanel*>(app.mainWindow().panels().widget(0))->panel();
    tree::QueryNode* node = desktop_testing::addQuery(panel, "SELECT playing('title') AS value", "Now");
    QVERIFY(node != nullptr);
    QVERIFY(node->refresh(true));
    tree::PanelSettings settings = panel.settings();
    settings.follow_playing = true;
    panel.setSettings(settings);
    QVERIFY(panel.expandNode(*node, true));
    QCOMPARE(node->item()->child(0)->text(), std::string("<null>"));
    player.playItem(1, 0);
    QVERIFY(node->stale());
    QTRY_VERIFY(!node->stale());
    QCOMPARE(node->item()->child(0)->text(), std::string("Três"));
  }

  void doubleClickPlaysTheItemAndMarksTheTabAndRow() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    QVERIFY(QTest::qWaitForWindowExposed(&app.mainWindow()));
    PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    tabs.setCurrentIndex(1);
    QTableView& view = *tabs.view(1);
    QTRY_VERIFY(view.isVisible() && view.viewport()->height() > 40);
    const QRect cell = view.visualRect(view.model()->index(1, 2));
    // A double click begins with a press the view remembers.
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(app.player().playingPlaylist(), std::size_t{1});
    QCOMPARE(app.player().playingItem(), std::size_t{1});
    QVERIFY(!tabs.tabIcon(1).isNull());
    QVERIFY(tabs.tabIcon(0).isNull());
    QVERIFY(view.model()->index(1, 0).data(Qt::FontRole).value<QFont>().bold());
    QVERIFY(!view.model()->index(0, 0).data(Qt::FontRole).isValid());
  }

  void columnsFormatTheTrackByTheirExpressions() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    desktop::PlaylistModel& model = *app.mainWindow().playlistTabs().model(0);
    QStringList cells;
    for (int c = 0; c < model.columnCount(); ++c) {
      cells << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() + "=" +
                   model.index(0, c).data().toString();
    }
    QCOMPARE(cells.join('|'), QString("Track=01|Artist=Alpha|Title=One|Album=First|Length=3:35"));
  }
};

QTEST_MAIN(PlaylistTabsTest)
#include "playlist_tabs_test.moc"
