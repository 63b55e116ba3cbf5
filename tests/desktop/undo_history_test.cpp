// Undo and redo in the window: every change to the playlists, however it was
// made, is one step of the Edit menu that names it; undoing gives back the
// items, their order and the selection, and the tabs follow.
#include "desktop/undo_history.h"

#include <QHeaderView>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTest>

#include "desktop/main_window.h"
#include "desktop/playlist_model.h"
#include "desktop/playlist_sorting.h"
#include "desktop/playlist_tabs.h"
#include "desktop/support/desktop_fixture.h"
#include "host/natural_compare.h"

using desktop::PlaylistTabs;
using desktop_testing::DesktopFixture;
using desktop_testing::selectRows;

namespace {

enum Operation { kNew, kRename, kClose, kMoveTab, kRemoveItems, kDragItems, kHeaderSort, kNodeSend, kCrop };

// The playlists as the `playlists` command lists them (items, order and
// selection), without which one is active: undo shows the playlist it
// changed.
QString state(player::Player& player) {
  return QString::fromStdString(player::renderPlaylistsText(player)).remove(QStringLiteral(" (active)"));
}

bool tabsAgree(PlaylistTabs& tabs, player::Player& player) {
  if (static_cast<std::size_t>(tabs.count()) != player.playlistCount()) return false;
  for (std::size_t p = 0; p < player.playlistCount(); ++p) {
    if (tabs.tabText(static_cast<int>(p)).replace("&&", "&") != QString::fromStdString(player.playlistName(p))) {
      return false;
    }
    if (static_cast<std::size_t>(tabs.model(p)->rowCount()) != player.playlistItemCount(p)) return false;
    const std::vector<bool>& selected = player.playlists().at(p).selected;
    for (std::size_t i = 0; i < selected.size(); ++i) {
      if (tabs.view(p)->selectionModel()->isRowSelected(static_cast<int>(i), {}) != selected[i]) return false;
    }
  }
  return true;
}

}  // namespace

class UndoHistoryTest : public QObject {
  Q_OBJECT

 private slots:
  void everyChangeIsUndoneAndRedoneExactly_data() {
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("undo");
    QTest::newRow("new playlist") << int(kNew) << "&Undo New playlist \"New playlist\"";
    QTest::newRow("rename") << int(kRename) << "&Undo Rename \"Jazz\" to \"Cool && calm\"";
    QTest::newRow("close") << int(kClose) << "&Undo Close \"Jazz\"";
    QTest::newRow("drag a tab") << int(kMoveTab) << "&Undo Move playlist \"Default\"";
    QTest::newRow("remove items") << int(kRemoveItems) << "&Undo Remove from \"Jazz\"";
    QTest::newRow("crop") << int(kCrop) << "&Undo Crop \"Jazz\"";
    QTest::newRow("drag items") << int(kDragItems) << "&Undo Move items in \"Jazz\"";
    QTest::newRow("sort by a header") << int(kHeaderSort) << "&Undo Sort \"Jazz\" by Title";
    QTest::newRow("a node's send") << int(kNodeSend) << "&Undo Send to \"Jazz\"";
  }

  void everyChangeIsUndoneAndRedoneExactly() {
    QFETCH(int, operation);
    QFETCH(QString, undo);
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    PlaylistTabs& tabs = app.mainWindow().playlistTabs();
    desktop::UndoHistory& history = app.mainWindow().undoHistory();
    player::Player& player = app.player();
    const host::TrackList& library = player.library();
    player.insertItems(1, 1, {library[0], library[1]}, false);
    selectRows(*tabs.view(1), {0, 2});
    QCoreApplication::processEvents();
    history.stack().clear();
    player.journal().clear();
    QVERIFY(!history.undoAction()->isEnabled());
    const QString before = state(player);

    switch (operation) {
      case kNew:
        tabs.newPlaylist();
        break;
      case kRename:
        tabs.renamePlaylist(1, "Cool & calm");
        break;
      case kClose:
        tabs.closePlaylist(1);
        break;
      case kMoveTab:
        tabs.tabBar()->moveTab(0, 1);
        break;
      case kRemoveItems:
        tabs.setCurrentIndex(1);
        tabs.removeSelectedItems();
        break;
      case kCrop:
        player.cropItems(1, {0, 2});
        break;
      case kDragItems: {
        desktop::PlaylistModel& model = *tabs.model(1);
        std::unique_ptr<QMimeData> data(model.mimeData({model.index(3, 0)}));
        model.dropMimeData(data.get(), Qt::MoveAction, 0, 0, {});
        break;
      }
      case kHeaderSort:
        desktop::HeaderSorting::of(tabs.view(1))->sortBy(2);
        break;
      case kNodeSend:
        // What a node's Send action does: two calls, one step.
        player.removeAllItems(1);
        player.insertItems(1, 0, {library[2], library[1]}, true);
        break;
    }
    QCoreApplication::processEvents();
    const QString after = state(player);
    QVERIFY(after != before);
    QCOMPARE(history.stack().count(), 1);
    QCOMPARE(history.undoAction()->text(), undo);

    history.undoAction()->trigger();
    QCOMPARE(state(player), before);
    QVERIFY(tabsAgree(tabs, player));
    QVERIFY(!history.undoAction()->isEnabled());
    QCOMPARE(history.redoAction()->text(), QString(undo).replace("&Undo", "&Redo"));
    history.redoAction()->trigger();
    QCOMPARE(state(player), after);
    QVERIFY(tabsAgree(tabs, player));
    history.undoAction()->trigger();
    QCOMPARE(state(player), before);
  }

  void closingAPlaylistAsksNothingAndCtrlZBringsItBack() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    desktop::MainWindow& window = app.mainWindow();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    PlaylistTabs& tabs = window.playlistTabs();
    player::Player& player = app.player();
    player.renamePlaylist(1, "Road Trip");
    player.createPlaylist("Last");
    QCoreApplication::processEvents();

    emit tabs.tabCloseRequested(1);  // the tab's close button
    QCoreApplication::processEvents();
    QCOMPARE(fixture.messages, QStringList());
    QCOMPARE(player.playlistCount(), std::size_t{2});
    QCOMPARE(window.statusBar()->currentMessage(), QString("Closed playlist \"Road Trip\""));

    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(player.playlistCount(), std::size_t{3});
    QCOMPARE(player.playlistName(1), std::string("Road Trip"));
    QCOMPARE(player.playlistItemCount(1), std::size_t{2});
    QCOMPARE(tabs.currentIndex(), 1);
    QCOMPARE(tabs.tabText(1), QString("Road Trip"));
    QTest::keyClick(&window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(player.playlistCount(), std::size_t{2});
    QCOMPARE(player.playlistName(1), std::string("Last"));
  }

  void aHeaderClickSortsASecondReversesAndTheOrderIsSaved() {
    DesktopFixture fixture;
    {
      desktop::DesktopApp& app = fixture.start();
      QVERIFY(QTest::qWaitForWindowExposed(&app.mainWindow()));
      player::Player& player = app.player();
      const host::TrackList& library = player.library();
      player.insertItems(0, 0, {library[2], library[3], library[1]}, false);
      QTableView& view = *app.mainWindow().playlistTabs().view(0);
      QHeaderView& header = *view.horizontalHeader();
      auto clickTitle = [&] {
        QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, QPoint(header.sectionViewportPosition(2) + 4, 4));
      };
      auto titles = [&] { return desktop::HeaderSorting::of(&view)->keys(2); };
      auto ordered = [](const std::vector<std::string>& keys, int sign) {
        for (std::size_t i = 1; i < keys.size(); ++i) {
          if (host::naturalCompare(keys[i - 1], keys[i]) * sign > 0) return false;
        }
        return true;
      };
      QVERIFY(!ordered(titles(), 1) && !ordered(titles(), -1));
      clickTitle();
      QVERIFY(ordered(titles(), 1));
      QVERIFY(header.isSortIndicatorShown());
      QCOMPARE(header.sortIndicatorOrder(), Qt::AscendingOrder);
      clickTitle();
      QVERIFY(ordered(titles(), -1));
      QCOMPARE(header.sortIndicatorOrder(), Qt::DescendingOrder);
      // A change of the items otherwise leaves no arrow claiming an order.
      player.insertItems(0, 0, {library[0]}, false);
      QVERIFY(!header.isSortIndicatorShown());
      player.removeItems(0, {0});
      QCoreApplication::processEvents();
    }
    const std::vector<std::string> sorted = [&] {
      std::vector<std::string> paths;
      for (const host::TrackHandle& track : fixture.player().playlistItems(0)) paths.emplace_back(track->path());
      return paths;
    }();
    fixture.quit();
    desktop::DesktopApp& again = fixture.start();
    std::vector<std::string> paths;
    for (const host::TrackHandle& track : again.player().playlistItems(0)) paths.emplace_back(track->path());
    QCOMPARE(paths, sorted);
  }

  void theEditMenuOffersUndoRedoAndSortingByKeyboard() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    desktop::MainWindow& window = app.mainWindow();
    QMenu* edit = nullptr;
    for (QAction* action : window.menuBar()->actions()) {
      if (action->text() == "&Edit") edit = action->menu();
    }
    QVERIFY(edit != nullptr);
    desktop::UndoHistory& history = window.undoHistory();
    QVERIFY(edit->actions().contains(history.undoAction()));
    QVERIFY(edit->actions().contains(history.redoAction()));
    QCOMPARE(history.undoAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    QVERIFY(history.redoAction()->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));

    // Edit > Sort playlist by > Title sorts the shown playlist, as its header does.
    QMenu* sort = edit->findChild<QMenu*>("sort_menu");
    QVERIFY(sort != nullptr);
    app.player().insertItems(1, 0, {app.player().library()[1]}, false);  // Two, Três, x
    QCoreApplication::processEvents();
    app.mainWindow().playlistTabs().setCurrentIndex(1);
    // Hidden columns are not offered; the rest come in the header's order.
    QTableView* table = app.mainWindow().playlistTabs().view(1);
    table->horizontalHeader()->hideSection(3);
    emit sort->aboutToShow();
    QStringList names;
    for (QAction* action : sort->actions()) names << action->text();
    QCOMPARE(names, QStringList({"Track", "Artist", "Title", "Length"}));
    sort->actions().at(2)->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(history.undoAction()->text(), QString("&Undo Sort \"Jazz\" by Title"));
  }
};

QTEST_MAIN(UndoHistoryTest)
#include "undo_history_test.moc"
