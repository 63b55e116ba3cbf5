// The table preferences pages and their column editor: what the buttons do
// to the page's copy of the column list, the editor's fields and refusals,
// Apply, and the reload that a run elsewhere posts.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <sqlite3.h>

#include "db/database.h"
#include "library_tables/column_store.h"
#include "ui/console_window.h"
#include "ui/edit_column_dialog.h"
#include "ui/sql_editor.h"
#include "ui/support/panel_harness.h"
#include "ui/table_preferences_page.h"

using library_tables::TableType;
using ui::EditColumnDialog;
using ui::PreferencesPageInstanceTable;
using ui_testing::PanelHarness;

Q_DECLARE_METATYPE(TableType)

namespace {

QStringList names(PreferencesPageInstanceTable& page) {
  QStringList list;
  for (int r = 0; r < page.list().rowCount(); ++r) list << page.list().item(r, 0)->text();
  return list;
}

QString selectedName(PreferencesPageInstanceTable& page) {
  const QList<QTableWidgetItem*> items = page.list().selectedItems();
  return items.isEmpty() ? QString() : page.list().item(items.first()->row(), 0)->text();
}

void selectName(PreferencesPageInstanceTable& page, const QString& name) {
  const QList<QTableWidgetItem*> found = page.list().findItems(name, Qt::MatchExactly);
  QVERIFY2(!found.isEmpty(), qPrintable(name));
  page.list().selectRow(found.first()->row());
}

QStringList entries(const QComboBox& box) {
  QStringList list;
  for (int i = 0; i < box.count(); ++i) list << box.itemText(i);
  return list;
}

// The names stored for `type` in the database.
QStringList storedNames(host::Host& host, TableType type) {
  db::SQLiteDatabase db(host);
  if (!db.Open()) return {QStringLiteral("<cannot open>")};
  db::SQLiteColumns row;
  auto query = db.Prepare("SELECT vtc_column_name FROM mdb_VTableColumn WHERE vtc_table_type=" +
                              std::to_string(static_cast<int>(type)) + " ORDER BY vtc_column_name",
                          &row);
  QStringList list;
  while (db.Step(query.query, &row) == SQLITE_ROW) list << QString::fromStdString(row[0].text());
  return list;
}

}  // namespace

class TablePreferencesPageTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<PanelHarness> harness_;
  std::unique_ptr<PreferencesPageInstanceTable> page_;

  PreferencesPageInstanceTable& page(TableType type = TableType::kMediaLibrary) {
    if (!page_) page_ = std::make_unique<PreferencesPageInstanceTable>(type, harness_->host);
    return *page_;
  }
  // Runs the editor through `fill`, then presses OK; returns whether the
  // editor closed.
  void editWith(std::function<void(EditColumnDialog&)> fill, bool* closed = nullptr) {
    page().run_editor = [fill, closed](EditColumnDialog& dialog) {
      fill(dialog);
      dialog.accept();
      if (closed) *closed = dialog.result() == QDialog::Accepted;
      return dialog.result() == QDialog::Accepted;
    };
  }

 private slots:
  void init() { harness_ = std::make_unique<PanelHarness>(); }
  void cleanup() {
    page_.reset();
    harness_.reset();
  }

  void pageShowsTheUserColumns() {
    page();
    QCOMPARE(page().title().text(), QStringLiteral("MediaLibrary table"));
    const QStringList shown = names(page());
    QVERIFY(!shown.contains("metadb_handle"));
    QCOMPARE(shown.first(), QStringLiteral("%album artist%"));
    QCOMPARE(selectedName(page()), shown.first());
    QCOMPARE(page().list().item(0, 1)->text(), QStringLiteral("TFExpression (Text)"));
    QCOMPARE(page().list().item(0, 3)->text(), QStringLiteral("[%album artist%]"));
    QVERIFY(!page().hasChanges());
    QCOMPARE(page().helpFile(), QStringLiteral("PreferencesDialog.html"));
  }

  void editAndRemoveNeedASelection() {
    page().list().clearSelection();
    QVERIFY(!page().editButton().isEnabled());
    QVERIFY(!page().removeButton().isEnabled());
    page().list().selectRow(2);
    QVERIFY(page().editButton().isEnabled());
    QVERIFY(page().removeButton().isEnabled());
    // A double click edits the row.
    QString edited;
    page().run_editor = [&](EditColumnDialog& d) {
      edited = d.nameEdit().text();
      return false;
    };
    page().resize(500, 300);
    page().show();
    QVERIFY(QTest::qWaitForWindowExposed(&page()));
    const QRect row = page().list().visualItemRect(page().list().item(2, 0));
    QTest::mouseClick(page().list().viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    QTest::mouseDClick(page().list().viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    QCOMPARE(edited, page().list().item(2, 0)->text());
  }

  void nameIsStoredInLowerCase() {
    bool closed = false;
    editWith([](EditColumnDialog& d) { d.nameEdit().setText("MyTag"); }, &closed);
    page().addButton().click();
    QVERIFY(closed);
    QVERIFY(page().hasChanges());
    QCOMPARE(selectedName(page()), QStringLiteral("mytag"));
    QVERIFY(!names(page()).contains("MyTag"));
    QVERIFY(page().apply());
    QVERIFY(!page().hasChanges());
    QVERIFY(storedNames(harness_->host, TableType::kMediaLibrary).contains("mytag"));
    QVERIFY(names(page()).contains("mytag"));
  }

  void refusalsKeepTheEditorOpen_data() {
    QTest::addColumn<bool>("edit");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty name") << false << "" << "The name cannot be empty.";
    QTest::newRow("added name taken") << false << "Album" << "A column with the name \"album\" already exists.";
    QTest::newRow("renamed onto another") << true << "artist" << "A column with the name \"artist\" already exists.";
  }
  void refusalsKeepTheEditorOpen() {
    QFETCH(bool, edit);
    QFETCH(QString, name);
    QFETCH(QString, message);
    const QStringList before = names(page());
    selectName(page(), "album");
    bool closed = true;
    editWith([name](EditColumnDialog& d) { d.nameEdit().setText(name); }, &closed);
    (edit ? page().editButton() : page().addButton()).click();
    QVERIFY(!closed);
    QCOMPARE(harness_->host.boxes.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(harness_->host.boxes[0]), message);
    QCOMPARE(names(page()), before);
    QVERIFY(!page().hasChanges());
  }

  void keptNameStandsLastUntilReload() {
    selectName(page(), "album");
    editWith([](EditColumnDialog& d) { d.collationBox().setCurrentText("NoCase"); });
    page().editButton().click();
    const QStringList shown = names(page());
    QCOMPARE(shown.last(), QStringLiteral("album"));
    QCOMPARE(shown.count("album"), 1);
    QCOMPARE(selectedName(page()), QStringLiteral("album"));
    QCOMPARE(page().list().item(page().list().rowCount() - 1, 2)->text(), QStringLiteral("NoCase"));
    QVERIFY(page().hasChanges());
    QVERIFY(page().apply());
    QVERIFY(names(page()).indexOf("album") < names(page()).indexOf("artist"));
  }

  void cancelLeavesTheListButTellsTheDialog() {
    QSignalSpy told(&page(), &ui::PreferencesPage::changed);
    const QStringList before = names(page());
    page().run_editor = [](EditColumnDialog& d) {
      d.nameEdit().setText("x");
      return false;
    };
    page().addButton().click();
    QCOMPARE(names(page()), before);
    QVERIFY(!page().hasChanges());
    QCOMPARE(told.count(), 1);
  }

  void removeAsksAndSelectsTheRowBefore_data() {
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("selected");
    QTest::newRow("no keeps it") << false << 3 << 3;
    QTest::newRow("yes, middle row") << true << 3 << 2;
    QTest::newRow("yes, first row") << true << 0 << 0;
  }
  void removeAsksAndSelectsTheRowBefore() {
    QFETCH(bool, yes);
    QFETCH(int, row);
    QFETCH(int, selected);
    harness_->host.answer_yes = yes;
    const QStringList before = names(page());
    page().list().selectRow(row);
    page().removeButton().click();
    QCOMPARE(harness_->host.questions, std::vector<std::string>{"Are you sure?"});
    QCOMPARE(page().list().rowCount(), before.size() - (yes ? 1 : 0));
    QCOMPARE(names(page()).contains(before[row]), !yes);
    QCOMPARE(page().list().selectedItems().first()->row(), selected);
    QCOMPARE(page().hasChanges(), yes);
  }

  void addDefaultsTwiceAddsNothingTheSecondTime_data() {
    QTest::addColumn<bool>("edited");
    QTest::newRow("after applying") << false;
    QTest::newRow("with edits") << true;
  }
  void addDefaultsTwiceAddsNothingTheSecondTime() {
    QFETCH(bool, edited);
    harness_->host.answer_yes = true;
    selectName(page(), "path");
    page().removeButton().click();
    page().defaultsButton().click();
    QVERIFY(page().hasChanges());
    QCOMPARE(selectedName(page()), QStringLiteral("path"));
    QCOMPARE(names(page()).last(), QStringLiteral("path"));
    if (!edited) QVERIFY(page().apply());
    if (edited) {
      selectName(page(), "genre");
      page().removeButton().click();
      selectName(page(), "date");
    }
    const QStringList before = names(page());
    page().defaultsButton().click();
    QCOMPARE(page().hasChanges(), edited);
    QCOMPARE(names(page()), edited ? before + QStringList{"genre"} : before);
  }

  void aFailedApplyKeepsTheEdits() {
    harness_->host.answer_yes = true;
    for (const char* path : {"/music/a.flac", "/music/b.flac"}) {
      harness_->host.library.push_back(testing_support::makeTrack(path, {{"title", {path}}}));
    }
    selectName(page(), "path");
    page().removeButton().click();
    const QStringList edited = names(page());
    // A statement stepping over the table on another connection keeps it
    // from being declared again.
    db::SQLiteDatabase other(harness_->host);
    QVERIFY(other.Open());
    db::SQLiteColumns row;
    auto reading = other.Prepare("SELECT * FROM MediaLibrary UNION ALL SELECT * FROM MediaLibrary", &row);
    QCOMPARE(other.Step(reading.query, &row), SQLITE_ROW);
    QVERIFY(!page().apply());
    QCOMPARE(harness_->host.boxes.size(), std::size_t{1});
    const QString box = QString::fromStdString(harness_->host.boxes[0]);
    QVERIFY2(box.startsWith("Unable to rebuild the virtual tables.\n\nThe following error occured:"), qPrintable(box));
    QCOMPARE(names(page()), edited);
    QVERIFY(page().hasChanges());
  }

  void aRunElsewhereDropsUnappliedEdits() {
    harness_->host.answer_yes = true;
    const QStringList before = names(page());
    page().list().selectRow(1);
    page().removeButton().click();
    QVERIFY(page().hasChanges());
    ui::ConsoleWindow console(harness_->host);
    console.editor().setText("SELECT 1");
    console.execute();
    QTRY_VERIFY(!page().hasChanges());
    QCOMPARE(names(page()), before);
  }

  void aQueryRunInAPanelDropsUnappliedEdits() {
    harness_->host.answer_yes = true;
    const QStringList before = names(page());
    page().list().selectRow(1);
    page().removeButton().click();
    auto panel = harness_->makePanel();
    QVERIFY(panel->loadTree());
    tree::QueryNode* node = PanelHarness::addQuery(panel->panel(), "SELECT 'a'", {"x"});
    QVERIFY(node->refresh(false));
    QTRY_VERIFY(!page().hasChanges());
    QCOMPARE(names(page()), before);
  }

  void playlistNamesOnlyOnThePlaylistPage_data() {
    QTest::addColumn<TableType>("type");
    QTest::addColumn<bool>("offered");
    QTest::newRow("MediaLibrary") << TableType::kMediaLibrary << false;
    QTest::newRow("Playlist") << TableType::kPlaylist << true;
  }
  void playlistNamesOnlyOnThePlaylistPage() {
    QFETCH(TableType, type);
    QFETCH(bool, offered);
    QStringList offered_names;
    page(type).run_editor = [&](EditColumnDialog& d) {
      d.typeBox().setCurrentText("Predefined");
      offered_names = entries(d.nameList());
      return false;
    };
    page(type).addButton().click();
    QVERIFY(offered_names.contains("path") && offered_names.contains("length"));
    for (const char* name : {"playlist_name", "playlist_index", "playlist_item"}) {
      QCOMPARE(offered_names.contains(name), offered);
    }
    QStringList sorted = offered_names;
    sorted.sort();
    QCOMPARE(offered_names, sorted);
  }

  void predefinedNameGivesItsKind_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("file integer") << "filesize" << "Predefined (Integer)";
    QTest::newRow("info real") << "length_seconds" << "Predefined (Real)";
    QTest::newRow("playlist text") << "playlist_name" << "Predefined (Text)";
  }
  void predefinedNameGivesItsKind() {
    QFETCH(QString, name);
    QFETCH(QString, shown);
    harness_->host.answer_yes = true;
    page(TableType::kPlaylist);
    selectName(page(), name);
    page().removeButton().click();
    editWith([name](EditColumnDialog& d) {
      d.typeBox().setCurrentText("Predefined");
      d.nameList().setCurrentText(name);
    });
    page().addButton().click();
    QCOMPARE(selectedName(page()), name);
    QCOMPARE(page().list().item(page().list().rowCount() - 1, 1)->text(), shown);
  }

  void predefinedToTagBringsTheTypedNameBack() {
    page().run_editor = [](EditColumnDialog& d) {
      d.nameEdit().setText("mood");
      d.typeBox().setCurrentText("Predefined");
      if (!d.showsNameList() || d.nameList().currentIndex() != -1) qWarning("the list should show, unselected");
      d.nameList().setCurrentText("path");
      d.typeBox().setCurrentText("Tag");
      if (d.showsNameList() || d.nameEdit().text() != "mood") return false;
      d.typeBox().setCurrentText("Predefined");
      return d.nameList().currentText() == "path";
    };
    QVERIFY(page().run_editor);
    bool ok = false;
    auto runner = page().run_editor;
    page().run_editor = [&](EditColumnDialog& d) { return ok = runner(d), false; };
    page().addButton().click();
    QVERIFY(ok);
  }

  void enableRules_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("split");
    QTest::addColumn<QString>("enabled");  // t tag name, s split, p separator, a associated, e expression
    QTest::newRow("tag joined") << "Tag" << false << "tsp";
    QTest::newRow("tag split") << "Tag" << true << "tsa";
    QTest::newRow("techinfo") << "TechInfo" << false << "";
    QTest::newRow("predefined") << "Predefined" << true << "";
    QTest::newRow("expression") << "TFExpression" << false << "e";
  }
  void enableRules() {
    QFETCH(QString, type);
    QFETCH(bool, split);
    QFETCH(QString, enabled);
    QString seen;
    QString separator;
    page().run_editor = [&](EditColumnDialog& d) {
      d.typeBox().setCurrentText(type);
      d.splitBox().setChecked(split);
      if (d.tagNameEdit().isEnabled()) seen += 't';
      if (d.splitBox().isEnabled()) seen += 's';
      if (d.separatorEdit().isEnabled()) seen += 'p';
      if (d.associatedEdit().isEnabled()) seen += 'a';
      if (d.expressionEdit().isEnabled()) seen += 'e';
      separator = d.separatorEdit().text();
      return false;
    };
    page().addButton().click();
    QCOMPARE(seen, enabled);
    // A disabled separator is emptied; an enabled one holds the separator.
    QCOMPARE(separator, enabled.contains('p') ? QStringLiteral(" \u00B7 ") : QString());
  }

  void separatorIsRefilledAndKept() {
    selectName(page(), "genre");
    QString refilled;
    editWith([&](EditColumnDialog& d) {
      d.separatorEdit().setText("; ");
      d.splitBox().setChecked(true);
      d.splitBox().setChecked(false);
      refilled = d.separatorEdit().text();
      d.splitBox().setChecked(true);
    });
    page().editButton().click();
    QCOMPARE(refilled, QStringLiteral(" \u00B7 "));
    const auto& list = page().columns();
    const auto& genre = list[static_cast<std::size_t>(library_tables::findColumn(list, "genre"))];
    QVERIFY(genre.splitMultiValueTag());
    QCOMPARE(QString::fromStdString(genre.separator()), QStringLiteral(" \u00B7 "));
  }

  void expressionErrorShowsAsTyped() {
    QStringList errors;
    page().run_editor = [&](EditColumnDialog& d) {
      d.typeBox().setCurrentText("TFExpression");
      d.expressionEdit().setText("[%title%]");
      errors << d.expressionError();
      d.expressionEdit().setText("!bad");
      errors << d.expressionError();
      return false;
    };
    page().addButton().click();
    QCOMPARE(errors.size(), 2);
    QVERIFY(errors[0].isEmpty());
    QCOMPARE(errors[1], QStringLiteral("does not compile"));
  }
};

QTEST_MAIN(TablePreferencesPageTest)
#include "table_preferences_page_test.moc"
