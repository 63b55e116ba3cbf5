// The program with the keyboard alone: Tab and F6 move between the window's
// areas, the shortcuts reach their commands from the tree too, and a new
// user's first steps (the README's) can be taken with key events only.
#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "desktop/playlist_tabs.h"
#include "desktop/support/desktop_fixture.h"
#include "tree/folder_node.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "ui/console_window.h"
#include "ui/panel_tree_view.h"
#include "ui/query_node_property_sheet.h"
#include "ui/result_model.h"
#include "ui/sql_editor.h"
#include "ui/tree_panel.h"

using desktop_testing::DesktopFixture;

namespace {

// Presses `key` where the focus is, as the keyboard does.
void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = QApplication::focusWidget();
  if (target == nullptr) target = QApplication::activeWindow();
  QVERIFY2(target != nullptr, "no window has the focus");
  QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

void type(const QString& text) {
  QWidget* target = QApplication::focusWidget();
  QVERIFY2(target != nullptr, "no widget has the focus");
  QTest::keyClicks(target, text);
}

QString selectedLabel(ui::TreePanel& panel) {
  const tree::TreeNode* node = panel.panel().nodeForItem(panel.panel().control().selection());
  return node != nullptr ? QString::fromStdString(node->label()) : QString();
}

// Walks down the tree with the arrow key until `label` is selected.
bool moveTo(ui::TreePanel& panel, const QString& label, int key = Qt::Key_Down) {
  for (int i = 0; i < 80 && selectedLabel(panel) != label; ++i)
    QTest::keyClick(panel.view(), static_cast<Qt::Key>(key));
  return selectedLabel(panel) == label;
}

}  // namespace

class KeyboardTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<DesktopFixture>();
    fixture_->start();
    window().show();
    window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window()));
  }
  void cleanup() { fixture_.reset(); }

  void f6CyclesTheAreas() {
    ui::TreePanel& panel = *window().panels().widget(0);
    QTableView* playlist =
        window().playlistTabs().view(static_cast<std::size_t>(window().playlistTabs().currentIndex()));
    QVERIFY(playlist != nullptr);
    window().playlistTabs().tabBar()->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_F6);  // from the playlist's tabs, which are part of the playlist
    QCOMPARE(QApplication::focusWidget(), panel.view());
    press(Qt::Key_F6);
    QCOMPARE(QApplication::focusWidget(), playlist);
    press(Qt::Key_F6);  // the log is closed: round to the tree
    QCOMPARE(QApplication::focusWidget(), panel.view());
    press(Qt::Key_F6, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), playlist);
    window().showLog();
    QApplication::processEvents();
    press(Qt::Key_F6);
    QCOMPARE(QApplication::focusWidget(), &window().log());
  }

  // Tab goes on from the tree to the playlist's tabs and the playlist, and
  // out of the playlist again, rather than from cell to cell.
  void tabLeavesEveryArea() {
    ui::TreePanel& panel = *window().panels().widget(0);
    desktop::PlaylistTabs& tabs = window().playlistTabs();
    QTableView* playlist = tabs.view(static_cast<std::size_t>(tabs.currentIndex()));
    panel.view()->setFocus(Qt::OtherFocusReason);
    QStringList visited;
    bool reached_playlist = false;
    for (int i = 0; i < 12 && !reached_playlist; ++i) {
      press(Qt::Key_Tab);
      QWidget* focus = QApplication::focusWidget();
      visited << (focus != nullptr ? QString::fromLatin1(focus->metaObject()->className()) : QStringLiteral("none"));
      reached_playlist = focus == playlist;
    }
    QVERIFY2(reached_playlist, qPrintable(visited.join(QStringLiteral(", "))));
    QVERIFY(visited.contains(QStringLiteral("QTabBar")));
    press(Qt::Key_Tab);
    QVERIFY2(QApplication::focusWidget() != playlist, "Tab stays in the playlist");
    press(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), playlist);
  }

  // The window's shortcuts work from the tree, which offers them the keys it
  // leaves.
  void shortcutsReachTheirCommandsFromTheTree() {
    ui::TreePanel& panel = *window().panels().widget(0);
    panel.view()->setFocus(Qt::OtherFocusReason);
    const std::size_t playlists = fixture_->player().playlistCount();
    press(Qt::Key_W, Qt::ControlModifier);
    QCOMPARE(fixture_->player().playlistCount(), playlists - 1);
    const std::size_t panels = window().panels().count();
    press(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(window().panels().count(), panels + 1);
    QString shown;
    QTimer close;
    close.setInterval(20);
    connect(&close, &QTimer::timeout, this, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        shown = modal->windowTitle();
        modal->close();
      }
    });
    close.start();
    panel.view()->setFocus(Qt::OtherFocusReason);
    QCOMPARE(QApplication::focusWidget(), panel.view());
    press(Qt::Key_Comma, Qt::ControlModifier);
    QCOMPARE(shown, QStringLiteral("Preferences"));
  }

  // Ctrl+F from outside the panels goes to the first panel's search field.
  void findFromThePlaylistGoesToTheSearchField() {
    window().playlistTabs().currentWidget()->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_F, Qt::ControlModifier);
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus != nullptr);
    QVERIFY(qobject_cast<QLineEdit*>(focus) != nullptr);
    QVERIFY(window().panels().widget(0)->isAncestorOf(focus));
  }

  // A new user's first steps, with key events alone: open the examples
  // down to Album, run it, send an artist's albums to the playlist, run a
  // query in the console and read its cell, make a query node.
  void firstStepsWithTheKeyboardAlone() {
    ui::TreePanel& panel = *window().panels().widget(0);
    press(Qt::Key_F6);
    QCOMPARE(QApplication::focusWidget(), panel.view());
    press(Qt::Key_Home);
    QVERIFY(moveTo(panel, "<Examples>"));
    press(Qt::Key_Right);
    QVERIFY(moveTo(panel, "Library"));
    press(Qt::Key_Right);
    QVERIFY(moveTo(panel, "Album"));
    press(Qt::Key_F5);
    press(Qt::Key_Right);
    press(Qt::Key_Down);
    const QString artist = selectedLabel(panel);
    QVERIFY(!artist.isEmpty() && artist != QStringLiteral("Album"));
    press(Qt::Key_Space);
    player::Player& player = fixture_->player();
    std::size_t target = host::kNoPlaylist;
    for (std::size_t p = 0; p < player.playlistCount(); ++p) {
      if (player.playlistName(p) == "Vostrel playlist") target = p;
    }
    QVERIFY(target != host::kNoPlaylist);
    QTRY_VERIFY(!player.playlists().at(target).items.empty());

    // The console: its script, run with Ctrl+Enter; Tab to the results,
    // whose current cell a screen reader reads.
    press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    ui::ConsoleWindow& console = window().console();
    QTRY_VERIFY(console.isVisible());
    // The window manager activates the new window (the offscreen
    // platform does not).
    QApplication::setActiveWindow(&console);
    QVERIFY(console.isActiveWindow());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&console.editor()));
    type(QStringLiteral("SELECT 6*7 AS answer"));
    press(Qt::Key_Return, Qt::ControlModifier);
    QTRY_COMPARE(console.model().rowCount(), 1);
    press(Qt::Key_Tab, Qt::ControlModifier);  // out of the editor, where Tab indents
    for (int i = 0; i < 8 && QApplication::focusWidget() != &console.results(); ++i) press(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(&console.results()));
    QAccessibleInterface* cell = QAccessible::queryAccessibleInterface(&console.results())->focusChild();
    QVERIFY(cell != nullptr);
    QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("1"));  // the row number
    press(Qt::Key_Right);
    cell = QAccessible::queryAccessibleInterface(&console.results())->focusChild();
    QVERIFY(cell != nullptr);
    QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("42"));
    press(Qt::Key_Escape);
    QTRY_VERIFY(!console.isVisible());

    // A query node in <Examples>: Insert opens the Query sheet, whose label
    // comes first; Ctrl+Tab goes to its Query page.
    QApplication::setActiveWindow(&window());
    for (int i = 0; i < 4 && QApplication::focusWidget() != panel.view(); ++i) press(Qt::Key_F6);
    QCOMPARE(QApplication::focusWidget(), panel.view());
    QVERIFY(moveTo(panel, "<Examples>", Qt::Key_Up));
    // The sheet runs its own loop: the keys for it come from a timer. Any
    // other window that opens (a message) is noted and closed.
    bool typed = false;
    int closing_ticks = 0;
    QStringList others;
    QTimer driver;
    driver.setInterval(30);
    connect(&driver, &QTimer::timeout, this, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) return;
      const bool sheet = qobject_cast<ui::QueryNodePropertySheetDialog*>(modal) != nullptr;
      // OK was pressed: on a loaded machine a tick may come before the
      // sheet's own loop has ended. One that stays open is a failure.
      if (typed && sheet && ++closing_ticks < 100) return;
      if (typed || !sheet) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        others << modal->windowTitle() + QStringLiteral(": ") + (box != nullptr ? box->text() : QString());
        modal->close();
        return;
      }
      // Keys go to the active window's focus: on a loaded machine the sheet
      // may show a tick before it becomes active.
      if (QApplication::activeWindow() != modal || QApplication::focusWidget() == nullptr ||
          QApplication::focusWidget()->window() != modal) {
        QApplication::setActiveWindow(modal);
        return;
      }
      typed = true;
      type(QStringLiteral("Titles"));
      press(Qt::Key_Tab, Qt::ControlModifier);  // the Query page
      for (int i = 0; i < 10 && !QApplication::focusWidget()->inherits("QsciScintilla"); ++i) press(Qt::Key_Tab);
      type(QStringLiteral("SELECT title FROM MediaLibrary"));
      press(Qt::Key_Tab, Qt::ControlModifier);  // out of the editor, where Enter is a new line
      for (int i = 0; i < 30; ++i) {
        auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
        if (button != nullptr && button->text().remove(QLatin1Char('&')) == QStringLiteral("OK")) break;
        press(Qt::Key_Tab);
      }
      press(Qt::Key_Space);
    });
    driver.start();
    press(Qt::Key_Insert);
    driver.stop();
    QVERIFY(typed);
    QVERIFY2(others.isEmpty(), qPrintable(others.join(QLatin1Char('\n'))));
    tree::QueryNode* made = nullptr;
    for (tree::QueryNode* query : panel.panel().queries()) {
      if (query->label() == "Titles") made = query;
    }
    QVERIFY(made != nullptr);
    QCOMPARE(made->definition().sql_query, std::string("SELECT title FROM MediaLibrary"));
    QCOMPARE(QString::fromStdString(made->parent()->label()), QStringLiteral("<Examples>"));
  }

 private:
  desktop::MainWindow& window() { return fixture_->app().mainWindow(); }
  std::unique_ptr<DesktopFixture> fixture_;
};

QTEST_MAIN(KeyboardTest)
#include "keyboard_test.moc"
