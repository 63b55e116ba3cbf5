// The window layout across a restart: geometry, dock state and every
// panel's settings record come back; closed panels lose their trees.
#include <fstream>

#include <QDockWidget>
#include <QTest>

#include "db/database.h"
#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "desktop/support/desktop_fixture.h"
#include "profile/layout.h"
#include "tree/panel.h"

using desktop_testing::DesktopFixture;

class LayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void firstStartHasOnePanelWithTheExampleTreeAndSavesItAtOnce() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    QCOMPARE(app.mainWindow().panels().count(), std::size_t{1});
    tree::Panel* panel = app.panel(1);
    QVERIFY(panel != nullptr);
    QVERIFY(panel->rootNodeId() > 0);
    QVERIFY(panel->control().top()->childCount() > 0);
    const profile::Layout stored = profile::loadLayout(fixture.profileDir() / "layout.json");
    QCOMPARE(stored.panels.size(), std::size_t{1});
    QCOMPARE(stored.panels[0], panel->writeSettings());
    QVERIFY(fixture.messages.isEmpty());
  }

  void panelsGeometryAndDocksComeBackAfterARestart() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    desktop::MainWindow& window = app.mainWindow();
    window.panels().addPanel({});
    window.panels().addPanel({});
    window.resize(913, 577);
    QDockWidget* floating = window.panels().dock(1);
    floating->setFloating(true);
    window.logDock().hide();
    std::vector<int32_t> roots;
    for (int n = 1; n <= 3; ++n) roots.push_back(app.panel(n)->rootNodeId());
    QVERIFY(roots[0] != roots[1] && roots[1] != roots[2] && roots[0] != roots[2]);
    fixture.quit();

    desktop::DesktopApp& again = fixture.start();
    desktop::MainWindow& restored = again.mainWindow();
    QCOMPARE(restored.panels().count(), std::size_t{3});
    for (int n = 1; n <= 3; ++n) QCOMPARE(again.panel(n)->rootNodeId(), roots[static_cast<std::size_t>(n - 1)]);
    QCOMPARE(restored.size(), QSize(913, 577));
    QVERIFY(restored.panels().dock(1)->isFloating());
    QVERIFY(!restored.panels().dock(0)->isFloating());
    QVERIFY(restored.logDock().isHidden());
  }

  void aClosedPanelIsGoneAfterARestartAndItsTreeIsDeletedAtQuit() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    app.mainWindow().panels().addPanel({});
    const int32_t kept = app.panel(1)->rootNodeId();
    const int32_t closed = app.panel(2)->rootNodeId();
    app.mainWindow().panels().dock(1)->close();
    QTRY_COMPARE(app.mainWindow().panels().count(), std::size_t{1});
    fixture.quit();

    desktop::DesktopApp& again = fixture.start();
    QCOMPARE(again.mainWindow().panels().count(), std::size_t{1});
    QCOMPARE(again.panel(1)->rootNodeId(), kept);
    db::SQLiteColumns row;
    const std::string roots = "SELECT group_concat(tri_node_id) FROM vos_TreeItem WHERE tri_parent_id IS NULL";
    QVERIFY(again.panel(1)->database().HasRows(roots, &row));
    QCOMPARE(QString::fromStdString(row[0].text()), QString::number(kept));
    QVERIFY(closed != kept);
  }

  void aDockKeepsItsPlaceWhenAPanelBeforeItWasClosed() {
    DesktopFixture fixture;
    desktop::DesktopApp& app = fixture.start();
    desktop::PanelDocks& panels = app.mainWindow().panels();
    panels.addPanel({});
    panels.addPanel({});
    panels.dock(1)->close();
    QTRY_COMPARE(panels.count(), std::size_t{2});
    panels.dock(1)->setFloating(true);
    const int32_t floating_root = app.panel(2)->rootNodeId();
    fixture.quit();

    desktop::DesktopApp& again = fixture.start();
    QCOMPARE(again.panel(2)->rootNodeId(), floating_root);
    QVERIFY(again.mainWindow().panels().dock(1)->isFloating());
    QVERIFY(!again.mainWindow().panels().dock(0)->isFloating());
  }

  void aDamagedLayoutFileIsKeptAndTheProgramStartsWithANewPanel() {
    DesktopFixture fixture;
    std::filesystem::create_directories(fixture.profileDir());
    std::ofstream(fixture.profileDir() / "layout.json") << "{\"panels\": [{\"settings\": \"zz\"}]}";
    desktop::DesktopApp& app = fixture.start();
    QCOMPARE(app.mainWindow().panels().count(), std::size_t{1});
    QCOMPARE(fixture.messages.size(), 1);
    QVERIFY(fixture.messages[0].contains("layout.json.damaged"));
    QVERIFY(std::filesystem::exists(fixture.profileDir() / "layout.json.damaged"));
  }
};

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
