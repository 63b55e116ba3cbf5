// What assistive tools see of a tree panel and do with it: the tree's items
// and their actions, the context menu found from the application and its
// entries triggered through their accessible action, the menu's names.
#include "ui/accessibility.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPalette>
#include <Qsci/qscilexersql.h>
#include <QTest>
#include <QTimer>

#include "ui/panel_tree_view.h"
#include "ui/query_node_property_sheet.h"
#include "ui/sql_editor.h"
#include "ui/support/panel_harness.h"
#include "ui/tree_accessible.h"
#include "ui/tree_model.h"

using ui_testing::PanelHarness;

namespace {

QAccessibleInterface* childNamed(QAccessibleInterface* parent, const QString& name) {
  for (int i = 0; parent != nullptr && i < parent->childCount(); ++i) {
    QAccessibleInterface* child = parent->child(i);
    if (child != nullptr && child->text(QAccessible::Name) == name) return child;
  }
  return nullptr;
}

// The open popup menu, as a walk from the application finds it.
QAccessibleInterface* openMenu() {
  QAccessibleInterface* app = QAccessible::queryAccessibleInterface(qApp);
  for (int i = 0; i < app->childCount(); ++i) {
    QAccessibleInterface* child = app->child(i);
    if (child != nullptr && child->role() == QAccessible::PopupMenu && child->state().invisible == 0) return child;
  }
  return nullptr;
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { ui::installAccessibility(); }
  void init() {
    harness_ = std::make_unique<PanelHarness>();
    panel_ = harness_->makePanel();
    QVERIFY(panel_->panel().open());
    panel_->resize(400, 300);
    panel_->show();
  }
  void cleanup() {
    panel_.reset();
    harness_.reset();
  }

  void menuEntryNamesLeaveOutTheKey_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("key");
    QTest::newRow("key after a tab") << "New query...\t   Ins"
                                     << "New query..."
                                     << "Ins";
    QTest::newRow("gesture") << "Send to Vostrel console\t   Middle click"
                             << "Send to Vostrel console"
                             << "Middle click";
    QTest::newRow("no key") << "Options..."
                            << "Options..."
                            << "";
    QTest::newRow("mnemonic and a shown ampersand") << "&Rock && Roll\t   F5"
                                                    << "Rock & Roll"
                                                    << "F5";
  }
  void menuEntryNamesLeaveOutTheKey() {
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QString, key);
    QCOMPARE(ui::menuEntryName(text), name);
    QCOMPARE(ui::menuEntryKey(text), key);
  }

  // The tree's items nest as the nodes do, and expand, collapse, click and
  // select through their actions.
  void treeItemsActAsTheKeysDo() {
    tree::FolderNode* folder = PanelHarness::addFolder(panel_->panel(), "Folder");
    tree::QueryNode* query = PanelHarness::addQuery(panel_->panel(), "SELECT 'x'", {"x"}, folder, "Send");
    query->definition().click.action = tree::kSendToConsole;
    panel_->panel().expandNode(*folder, false);
    panel_->panel().control().select(nullptr);
    QApplication::processEvents();

    QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(panel_->view());
    QVERIFY(tree != nullptr);
    QCOMPARE(tree->role(), QAccessible::Tree);
    QCOMPARE(tree->text(QAccessible::Name), QStringLiteral("Tree"));
    QCOMPARE(tree->childCount(), 1);  // no header
    QAccessibleInterface* item = tree->child(0);
    QCOMPARE(item->text(QAccessible::Name), QStringLiteral("Folder"));
    QCOMPARE(item->parent(), tree);
    QVERIFY(item->state().expandable && item->state().collapsed);
    QCOMPARE(item->childCount(), 0);
    QAccessibleActionInterface* actions = item->actionInterface();
    QVERIFY(actions != nullptr);
    QVERIFY(actions->actionNames().contains(ui::expandActionName()));

    actions->doAction(ui::expandActionName());
    QVERIFY(folder->item()->expanded());
    QVERIFY(item->state().expanded);
    QCOMPARE(item->childCount(), 1);
    QAccessibleInterface* child = item->child(0);
    QCOMPARE(child->text(QAccessible::Name), QStringLiteral("Send"));
    QCOMPARE(child->parent(), item);
    QCOMPARE(item->indexOfChild(child), 0);
    QVERIFY(child->text(QAccessible::Description).contains(QStringLiteral("Click: Send to Vostrel console")));

    // The click selects the node and runs its action, after the tool has
    // its answer.
    QVERIFY(!child->state().selected);
    child->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(harness_->console_sql.size(), std::size_t{1});
    QVERIFY(child->state().selected);
    QCOMPARE(panel_->panel().control().selection(), query->item());

    // Selecting the folder moves the selection there.
    item->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    QCOMPARE(panel_->panel().control().selection(), folder->item());
    QVERIFY(item->state().selected && !child->state().selected);

    item->actionInterface()->doAction(ui::collapseActionName());
    QVERIFY(!folder->item()->expanded());
    QCOMPARE(item->childCount(), 0);
    QVERIFY(!child->isValid() || child->parent() == item);  // a child item may stay; it is no longer listed
  }

  // The item's menu action opens the node's menu, at the node.
  void itemMenuOpensAtTheNode() {
    tree::QueryNode* query = PanelHarness::addQuery(panel_->panel(), "SELECT 'x'", {"x"}, nullptr, "Q");
    panel_->panel().control().select(nullptr);
    QApplication::processEvents();
    QPoint shown_at(-1, -1);
    QStringList entries;
    panel_->setMenuRunner([&](QMenu& menu, const QPoint& global) -> QAction* {
      shown_at = global;
      for (QAction* action : menu.actions()) entries << action->text();
      return nullptr;
    });
    const QRect row = panel_->view()->visualRect(panel_->model()->indexOf(query->item()));
    const QRect global_row(panel_->view()->viewport()->mapToGlobal(row.topLeft()), row.size());

    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(panel_->view())->child(0);
    item->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    QTRY_VERIFY(!entries.isEmpty());
    QVERIFY(entries.contains(QStringLiteral("Refresh\t   F5")));
    QCOMPARE(panel_->panel().control().selection(), query->item());
    QVERIFY2(global_row.adjusted(0, 0, 0, 1).contains(shown_at), "the menu opens at the node's row");

    // Shift+F10 and the menu key (a keyboard context-menu event) do the same.
    entries.clear();
    QTest::keyClick(panel_->view(), Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(entries.contains(QStringLiteral("Refresh\t   F5")));
    QVERIFY(global_row.adjusted(0, 0, 0, 1).contains(shown_at));
    entries.clear();
    QContextMenuEvent menu_key(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
    QApplication::sendEvent(panel_->view(), &menu_key);
    QVERIFY(entries.contains(QStringLiteral("Refresh\t   F5")));
  }

  // "New query..." pressed through the accessibility bus, as a screen
  // reader does it, closes the menu and opens the Query sheet. The menu is
  // found from the application, and its entries are named without keys.
  void contextMenuEntryPressedThroughAccessibility() {
    QStringList names;
    QStringList keys;
    QString sheet;
    QTimer press;
    press.setInterval(20);
    connect(&press, &QTimer::timeout, this, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        sheet = QString::fromLatin1(modal->metaObject()->className());
        static_cast<QDialog*>(modal)->reject();
        press.stop();
        return;
      }
      QAccessibleInterface* menu = openMenu();
      if (menu == nullptr || !names.isEmpty()) return;
      for (int i = 0; i < menu->childCount(); ++i) {
        QAccessibleInterface* entry = menu->child(i);
        if (entry->role() != QAccessible::MenuItem) continue;
        names << entry->text(QAccessible::Name);
        if (QAccessibleActionInterface* actions = entry->actionInterface()) {
          keys << actions->keyBindingsForAction(QAccessibleActionInterface::pressAction()).join(QLatin1Char(' '));
        }
      }
      QAccessibleInterface* entry = childNamed(menu, QStringLiteral("New query..."));
      if (entry != nullptr) entry->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    });
    press.start();
    // A menu still open after a while is closed, so that the test fails
    // rather than hangs.
    QTimer::singleShot(5000, this, [] {
      if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    });
    ui_testing::contextMenuAt(*panel_, QPoint(50, 250));  // empty space: the root's menu
    QTRY_VERIFY_WITH_TIMEOUT(!sheet.isEmpty() || !press.isActive(), 6000);
    QCOMPARE(sheet, QString::fromLatin1(ui::QueryNodePropertySheetDialog::staticMetaObject.className()));
    for (const QString& name : names) QVERIFY2(!name.contains(QLatin1Char('\t')), qPrintable(name));
    QVERIFY(names.contains(QStringLiteral("New folder...")));
    QCOMPARE(keys.value(names.indexOf(QStringLiteral("New query..."))), QStringLiteral("Ins"));
    QVERIFY(QApplication::activePopupWidget() == nullptr);
  }

  // In a dark palette the SQL editor's colours stand out from its dark
  // paper; back in a light one they are the lexer's own again.
  void sqlColoursFollowADarkPalette() {
    ui::SqlEditor editor;
    auto* lexer = qobject_cast<QsciLexerSQL*>(editor.lexer());
    QVERIFY(lexer != nullptr);
    const QColor light_keyword = lexer->color(QsciLexerSQL::Keyword);
    QPalette dark = editor.palette();
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    editor.setPalette(dark);
    for (int style : {int(QsciLexerSQL::Keyword), int(QsciLexerSQL::Comment), int(QsciLexerSQL::Number),
                      int(QsciLexerSQL::SingleQuotedString), int(QsciLexerSQL::Default)}) {
      const int contrast = lexer->color(style).lightness() - lexer->paper(style).lightness();
      QVERIFY2(contrast > 100, qPrintable(QStringLiteral("style %1: contrast %2").arg(style).arg(contrast)));
    }
    editor.setPalette(QPalette(Qt::white));
    QCOMPARE(lexer->color(QsciLexerSQL::Keyword), light_keyword);
  }

 private:
  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<ui::TreePanel> panel_;
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
