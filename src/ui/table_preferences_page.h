// PreferencesPageInstanceTable: the "MediaLibrary table" and "Playlist
// table" pages of the preferences dialog. A page lists the user columns of
// its table ("Name", "Type", "Collation", "Title format expression") from a
// private copy of the table's column list, edits that copy with "&Add ...",
// "&Edit ...", "&Remove ..." and "Add &defaults", and on Apply stores it,
// declares the virtual tables again and reloads.
//
// Every open page is known process-wide: postReload() makes each of them
// reload once the current event has been handled. The console and query
// runs post it after every run, since the statements may have changed the
// stored columns; unapplied edits are dropped then.
//
//   auto* page = new PreferencesPageInstanceTable(library_tables::TableType::kPlaylist, host);
//   ... the user edits ...
//   if (page->hasChanges()) page->apply();
#ifndef VOSTREL_UI_TABLE_PREFERENCES_PAGE_H_
#define VOSTREL_UI_TABLE_PREFERENCES_PAGE_H_

#include <cstddef>
#include <functional>

#include "db/database.h"
#include "library_tables/column_type.h"
#include "library_tables/vtab_column.h"
#include "ui/preferences_page.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace ui {

class EditColumnDialog;

class PreferencesPageInstanceTable : public PreferencesPage {
  Q_OBJECT

 public:
  PreferencesPageInstanceTable(library_tables::TableType type, host::Host& host, QWidget* parent = nullptr);
  ~PreferencesPageInstanceTable() override;

  // "MediaLibrary table" or "Playlist table".
  static QString pageName(library_tables::TableType type);
  // Makes every open page reload after the current event.
  static void postReload();
  // How many pages are open.
  static std::size_t openPageCount();

  bool hasChanges() const override { return changed_; }
  bool apply() override;
  QString helpFile() const override;

  // Replaces the page's list by the store's (read again from the database)
  // and drops unapplied edits.
  void reload();

  // The buttons' commands.
  void addColumn();
  void editColumn();
  void removeColumn();
  void addDefaults();

  // Lets a test drive the column editor: called with the dialog instead of
  // showing it; returns what the dialog's run would.
  std::function<bool(EditColumnDialog& dialog)> run_editor;

  library_tables::TableType tableType() const { return type_; }
  const library_tables::VTabColumns& columns() const { return list_; }
  QTableWidget& list() { return *table_; }
  QLabel& title() { return *title_; }
  QPushButton& addButton() { return *add_; }
  QPushButton& editButton() { return *edit_; }
  QPushButton& removeButton() { return *remove_; }
  QPushButton& defaultsButton() { return *defaults_; }

 private:
  void buildLayout();
  void refill(int select_row);
  void fitColumns();
  void updateButtons();
  void setChanged(bool changed);
  bool runEditor(EditColumnDialog& dialog);
  std::size_t builtInCount() const;
  int selectedRow() const;

  library_tables::TableType type_;
  host::Host& host_;
  db::SQLiteDatabase db_;
  library_tables::VTabColumns list_;
  bool changed_ = false;
  bool editing_ = false;          // the column editor is open
  bool reload_pending_ = false;   // a reload came while it was

  QLabel* title_ = nullptr;
  QTableWidget* table_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* remove_ = nullptr;
  QPushButton* defaults_ = nullptr;
};

}  // namespace ui

#endif  // VOSTREL_UI_TABLE_PREFERENCES_PAGE_H_
