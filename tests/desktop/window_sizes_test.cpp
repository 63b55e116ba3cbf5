// How big the docks are: a new panel wide enough for its first levels,
// every dock's size after a restart (also for panels stacked as tabs), and
// titles that tell the panels apart. Runs offscreen, and under a virtual X
// server with a window manager (with_window_manager.sh).
#include <QDockWidget>
#include <QTest>

#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "desktop/support/desktop_fixture.h"
#include "profile/layout.h"
#include "tree/folder_node.h"
#include "tree/panel.h"
#include "ui/panel_tree_view.h"
#include "ui/tree_model.h"

using desktop_testing::DesktopFixture;

namespace {

// Expands the folders down to `levels` levels (query nodes have no levels
// before they run).
void expandLevels(tree::Panel& panel, tree::TreeItem& item, int levels) {
  if (levels <= 1) return;
  for (std::size_t i = 0; i < item.childCount(); ++i) {
    tree::TreeItem& child = *item.child(i);
    if (child.node() != nullptr && child.node()->type() == tree::NodeType::kFolder) {
      panel.expandNode(*child.node(), true);
      expandLevels(panel, child, levels - 1);
    }
  }
}

// The labels of the first `levels` levels that end beyond the right edge of
// the view's viewport as last painted.
QStringList cutOffLabels(const ui::PanelTreeView& view, const tree::TreeItem& item, int levels) {
  QStringList cut;
  for (std::size_t i = 0; i < item.childCount() && levels > 0; ++i) {
    const tree::TreeItem& child = *item.child(i);
    if (child.node() == nullptr) continue;
    if (child.node()->labelExtent() == 0 || child.node()->labelExtent() > view.viewport()->width()) {
      cut << QString::fromStdString(child.node()->label());
    }
    cut << cutOffLabels(view, child, levels - 1);
  }
  return cut;
}

desktop::MainWindow& shown(desktop::DesktopApp& app) {
  desktop::MainWindow& window = app.mainWindow();
  [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(&window);
  QTest::qWait(50);
  return window;
}

}  // namespace

class WindowSizesTest : public QObject {
  Q_OBJECT

 private slots:
  void aFirstStartShowsTheFirstThreeLevelsWhole() {
    DesktopFixture fixture;
    desktop::MainWindow& window = shown(fixture.start());
    auto& panel = *window.panels().widget(0);
    expandLevels(panel.panel(), *panel.panel().control().top(), 3);
    panel.view()->viewport()->repaint();
    QCOMPARE(cutOffLabels(*panel.view(), *panel.panel().control().top(), 3), QStringList());
    const int width = window.panels().dock(0)->width();
    QVERIFY2(width >= window.width() / 4 - 8 && width <= window.width() * 2 / 5 + 8, qPrintable(QString::number(width)));
  }

  // What the tree needs, between a quarter and two fifths of the window.
  void theStartWidthFollowsTheWindow_data() {
    QTest::addColumn<int>("window");
    QTest::addColumn<int>("lowest");
    QTest::addColumn<int>("highest");
    QTest::newRow("narrow: two fifths at most") << 400 << 160 << 160;
    QTest::newRow("the default size") << 1100 << 275 << 440;
    QTest::newRow("wide: a quarter") << 2400 << 600 << 600;
    QTest::newRow("small: what the tree needs") << 800 << 240 << 320;
  }
  void theStartWidthFollowsTheWindow() {
    QFETCH(int, window);
    QFETCH(int, lowest);
    QFETCH(int, highest);
    DesktopFixture fixture;
    desktop::PanelDocks& panels = fixture.start().mainWindow().panels();
    const int width = panels.startWidth(0, window);
    QVERIFY2(width >= lowest && width <= highest, qPrintable(QString::number(width)));
  }

  void dockSizesComeBackAfterARestart_data() {
    QTest::addColumn<bool>("tabbed");
    QTest::newRow("one panel") << false;
    QTest::newRow("two panels as tabs") << true;
  }
  void dockSizesComeBackAfterARestart() {
    QFETCH(bool, tabbed);
    DesktopFixture fixture;
    desktop::MainWindow& window = shown(fixture.start());
    if (tabbed) window.panels().addPanel({});
    window.logDock().show();
    window.resizeDocks({window.panels().dock(window.panels().count() - 1)}, {333}, Qt::Horizontal);
    window.resizeDocks({&window.logDock()}, {171}, Qt::Vertical);
    QTest::qWait(20);
    fixture.quit();

    desktop::MainWindow& again = shown(fixture.start());
    for (std::size_t i = 0; i < again.panels().count(); ++i) {
      if (again.panels().dock(i)->visibleRegion().isEmpty()) continue;  // behind the other's tab
      QCOMPARE(again.panels().dock(i)->width(), 333);
    }
    QCOMPARE(again.logDock().height(), 171);
  }

  void aLayoutOfAnOlderProgramStillRestoresItsDocks() {
    DesktopFixture fixture;
    desktop::MainWindow& window = shown(fixture.start());
    window.panels().dock(0)->setFloating(true);
    profile::Layout layout = window.layout();
    const QByteArray plain = window.saveState();  // without the dock sizes
    layout.window_state.assign(plain.begin(), plain.end());
    fixture.quit();
    profile::saveLayout(fixture.profileDir() / "layout.json", layout);

    desktop::MainWindow& again = shown(fixture.start());
    QVERIFY(again.panels().dock(0)->isFloating());
  }

  void everyPanelHasATitleOfItsOwn() {
    DesktopFixture fixture;
    desktop::PanelDocks& panels = fixture.start().mainWindow().panels();
    panels.addPanel({});
    panels.addPanel({});
    QStringList titles;
    for (std::size_t i = 0; i < panels.count(); ++i) titles << panels.dock(i)->windowTitle();
    QCOMPARE(titles, QStringList({"Vostrel", "Vostrel 2", "Vostrel 3"}));
    // The numbers are those of the commands' --panel option.
    panels.dock(0)->close();
    QTRY_COMPARE(panels.count(), std::size_t{2});
    QCOMPARE(panels.dock(0)->windowTitle(), QStringLiteral("Vostrel"));
    QCOMPARE(panels.dock(1)->windowTitle(), QStringLiteral("Vostrel 2"));
  }
};

QTEST_MAIN(WindowSizesTest)
#include "window_sizes_test.moc"
