// What assistive tools find in the program: a walk over the accessible tree
// of the main window and of every dialog and window finds each interactive
// control named and no menu entry whose name carries its key; the
// preferences follow a page chosen through accessibility.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "desktop/main_window.h"
#include "desktop/panel_docks.h"
#include "desktop/playlist_tabs.h"
#include "desktop/preferences_dialog.h"
#include "desktop/support/desktop_fixture.h"
#include "desktop/track_properties_dialog.h"
#include "tree/folder_node.h"
#include "tree/panel.h"
#include "tree/query_node.h"
#include "ui/console_window.h"
#include "ui/edit_column_dialog.h"
#include "ui/folder_node_dialog.h"
#include "ui/icon_selector_dialog.h"
#include "ui/options_dialog.h"
#include "ui/panel_tree_view.h"
#include "ui/preferences_page.h"
#include "ui/query_node_property_sheet.h"
#include "ui/query_result_node_dialog.h"
#include "ui/tree_panel.h"

using desktop_testing::DesktopFixture;

namespace {

bool isInteractive(QAccessible::Role role) {
  switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::PageTabList:
    case QAccessible::Dial:
      return true;
    default:
      return false;
  }
}

// What a walk from `iface` finds wrong: interactive controls in view with
// neither a name nor a label, menu entries whose name carries a tab.
// Cells and rows of tables and lists are looked at only a few deep.
void walk(QAccessibleInterface* iface, const QString& path, QStringList& problems, int depth = 0) {
  if (iface == nullptr || !iface->isValid() || depth > 40) return;
  const QAccessible::Role role = iface->role();
  const QString name = iface->text(QAccessible::Name);
  const QAccessible::State state = iface->state();
  QString where = path + QLatin1Char('/') + QString::number(role, 16);
  if (QObject* object = iface->object()) {
    where += QLatin1Char(':') + QString::fromLatin1(object->metaObject()->className());
    if (!object->objectName().isEmpty()) where += QLatin1Char('#') + object->objectName();
  }
  if ((role == QAccessible::MenuItem || role == QAccessible::PopupMenu) && name.contains(QLatin1Char('\t'))) {
    problems << where + QStringLiteral(": a menu entry's name with a tab: ") + name;
  }
  const bool labelled = !iface->relations(QAccessible::Label).isEmpty();
  if (isInteractive(role) && !state.invisible && name.trimmed().isEmpty() && !labelled) {
    problems << where + QStringLiteral(": no name");
  }
  const bool many =
      role == QAccessible::Table || role == QAccessible::List || role == QAccessible::Tree || role == QAccessible::Row;
  const int count = many ? std::min(iface->childCount(), 12) : iface->childCount();
  for (int i = 0; i < count; ++i) walk(iface->child(i), where, problems, depth + 1);
}

// Buttons that say the same ("Change...") are told apart by their names.
void sameNamedButtons(QAccessibleInterface* iface, QStringList& names, QStringList& problems, int depth = 0) {
  if (iface == nullptr || depth > 40 || iface->state().invisible) return;
  if (iface->role() == QAccessible::PushButton) {
    const QString name = iface->text(QAccessible::Name);
    if (names.contains(name)) problems << QStringLiteral("two buttons named ") + name;
    names << name;
  }
  if (iface->role() == QAccessible::Table || iface->role() == QAccessible::List) return;
  for (int i = 0; i < iface->childCount(); ++i) sameNamedButtons(iface->child(i), names, problems, depth + 1);
}

QStringList problemsOf(QWidget& widget) {
  QStringList problems;
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&widget);
  walk(iface, QString::fromLatin1(widget.metaObject()->className()), problems);
  if (qobject_cast<QDialog*>(&widget) != nullptr) {  // a main window's docks each have their "Close"
    QStringList names;
    sameNamedButtons(iface, names, problems);
  }
  return problems;
}

// Shows `dialog`, walks it with every tab of its tab widgets in turn.
QStringList problemsOfDialog(QWidget& dialog) {
  dialog.show();
  QApplication::processEvents();
  QStringList problems = problemsOf(dialog);
  for (QTabWidget* tabs : dialog.findChildren<QTabWidget*>()) {
    for (int i = 0; i < tabs->count(); ++i) {
      tabs->setCurrentIndex(i);
      QApplication::processEvents();
      problems << problemsOf(dialog);
    }
  }
  problems.removeDuplicates();
  return problems;
}

// Runs `open`, which shows a modal dialog or a menu, and walks it.
QStringList problemsOfModal(const std::function<void()>& open) {
  QStringList problems;
  bool seen = false;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* shown = QApplication::activePopupWidget();
    if (shown == nullptr) shown = QApplication::activeModalWidget();
    if (shown == nullptr) return;
    seen = true;
    poll.stop();
    problems << problemsOf(*shown);
    shown->close();
  });
  poll.start();
  QTimer::singleShot(5000, [] {
    if (QWidget* shown = QApplication::activeModalWidget()) shown->close();
  });
  open();
  if (!seen) problems << QStringLiteral("nothing was shown");
  return problems;
}

tree::QueryNode* firstQuery(tree::Panel& panel, const std::string& label) {
  for (tree::QueryNode* query : panel.queries()) {
    if (query->label() == label) return query;
  }
  return nullptr;
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<DesktopFixture>();
    fixture_->start();
    window().show();
    QVERIFY(QTest::qWaitForWindowExposed(&window()));
  }
  void cleanup() { fixture_.reset(); }

  void mainWindowAndItsMenus() {
    window().showLog();
    QApplication::processEvents();
    const QStringList problems = problemsOf(window());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    // The tree's context menu, open.
    ui::TreePanel& panel = *window().panels().widget(0);
    const QStringList menu = problemsOfModal([&] {
      QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
      QApplication::sendEvent(panel.view(), &event);
    });
    QVERIFY2(menu.isEmpty(), qPrintable(menu.join(QLatin1Char('\n'))));
  }

  void everyWindowAndDialog() {
    desktop::DesktopApp& app = fixture_->app();
    QStringList problems;
    ui::ConsoleWindow& console = window().console();
    console.show();
    problems << problemsOf(console);
    console.close();

    desktop::PreferencesDialog preferences(
        app.player(), app.registry(), [](const QString&) { return QString(); }, &window());
    preferences.show();
    auto* pages = preferences.findChild<QTreeWidget*>();
    for (QTreeWidgetItemIterator it(pages); *it != nullptr; ++it) {
      pages->setCurrentItem(*it);
      QApplication::processEvents();
      problems << problemsOf(preferences);
    }
    preferences.close();

    tree::Panel& panel = window().panels().widget(0)->panel();
    tree::QueryNode* album = firstQuery(panel, "Album");
    QVERIFY(album != nullptr);
    QVERIFY(album->refresh(false));
    {
      ui::QueryNodePropertySheetDialog sheet(*album, &window());
      problems << problemsOfDialog(sheet);
    }
    {
      ui::QueryResultNodeDialog level(*album, 0, &window());
      problems << problemsOfDialog(level);
    }
    {
      tree::FolderNode folder(&panel, &panel.root());
      ui::FolderNodeDialog dialog(folder, &window());
      problems << problemsOfDialog(dialog);
    }
    {
      tree::PanelSettings settings = panel.settings();
      ui::OptionsDialog options(settings, panel.uiAttributes(), &window());
      problems << problemsOfDialog(options);
    }
    {
      ui::IconSelectorDialog icons(0, Qt::white, Qt::black, &window());
      problems << problemsOfDialog(icons);
    }
    {
      library_tables::VTabColumns list;
      host::Host& host = app.player();
      const library_tables::SQLiteMetaDBVTabColumn added(host, "", "new", library_tables::ColumnType::kTFExpression,
                                                         false, "%title%", "", "", "");
      ui::EditColumnDialog column(ui::EditColumnDialog::Mode::kAdd, added, library_tables::TableType::kMediaLibrary,
                                  list, host, &window());
      problems << problemsOfDialog(column);
    }
    {
      const host::TrackListPtr tracks = app.player().libraryTracks();
      QVERIFY(tracks && !tracks->empty());
      const auto& track = tracks->front();
      desktop::TrackPropertiesDialog properties(*track, &window().covers(), &window());
      problems << problemsOfDialog(properties);
    }
    problems << problemsOfModal([&] { window().playlistTabs().askRename(0); });
    problems.removeDuplicates();
    for (const QString& problem : problems) qWarning("%s", qPrintable(problem));
    QVERIFY2(problems.isEmpty(), "controls without names (above)");
  }

  // A page chosen through accessibility (its item selected, as a screen
  // reader's select does) is the page shown.
  void preferencesFollowAPageChosenThroughAccessibility() {
    desktop::DesktopApp& app = fixture_->app();
    desktop::PreferencesDialog preferences(
        app.player(), app.registry(), [](const QString&) { return QString(); }, &window());
    preferences.show();
    QVERIFY(QTest::qWaitForWindowExposed(&preferences));
    auto* pages = preferences.findChild<QTreeWidget*>();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(pages);
    QVERIFY(list != nullptr);
    QAccessibleInterface* advanced = nullptr;
    for (int i = 0; i < list->childCount() && advanced == nullptr; ++i) {
      QAccessibleInterface* child = list->child(i);
      if (child != nullptr && child->text(QAccessible::Name) == QStringLiteral("Advanced")) advanced = child;
    }
    QVERIFY(advanced != nullptr);
    QVERIFY(preferences.currentPage() == nullptr || preferences.currentPage()->objectName() != "advanced_settings");
    QAccessibleActionInterface* actions = advanced->actionInterface();
    QVERIFY(actions != nullptr);
    actions->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(advanced->state().selected);
    QCOMPARE(pages->currentItem()->text(0), QStringLiteral("Advanced"));
    QVERIFY(preferences.currentPage() != nullptr);
    QCOMPARE(QString::fromLatin1(preferences.currentPage()->metaObject()->className()),
             QStringLiteral("desktop::AdvancedSettingsPage"));
  }

 private:
  desktop::MainWindow& window() { return fixture_->app().mainWindow(); }
  std::unique_ptr<DesktopFixture> fixture_;
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
