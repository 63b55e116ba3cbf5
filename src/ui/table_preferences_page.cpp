#include "ui/table_preferences_page.h"

#include <algorithm>
#include <vector>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "host/host.h"
#include "library_tables/column_editing.h"
#include "library_tables/column_store.h"
#include "ui/edit_column_dialog.h"

namespace ui {
namespace {

using library_tables::SQLiteMetaDBVTabColumn;
using library_tables::TableType;

enum ListColumn { kNameColumn, kTypeColumn, kCollationColumn, kExpressionColumn, kListColumnCount };

// The list's column widths in dialog units, for "Name", "Type" and
// "Collation"; the expression takes the rest.
constexpr int kColumnUnits[] = {80, 70, 50};

constexpr std::string_view kHelpFile = "PreferencesDialog.html";

std::vector<PreferencesPageInstanceTable*>& openPages() {
  static std::vector<PreferencesPageInstanceTable*> pages;
  return pages;
}

QString fromString(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

PreferencesPageInstanceTable::PreferencesPageInstanceTable(TableType type, host::Host& host, QWidget* parent)
    : PreferencesPage(parent), type_(type), host_(host), db_(host) {
  setObjectName(type == TableType::kPlaylist ? QStringLiteral("vostrel_playlist_table_page")
                                             : QStringLiteral("vostrel_library_table_page"));
  run_editor = [](EditColumnDialog& dialog) { return dialog.run(); };
  buildLayout();
  openPages().push_back(this);
  reload();
}

PreferencesPageInstanceTable::~PreferencesPageInstanceTable() { std::erase(openPages(), this); }

QString PreferencesPageInstanceTable::pageName(TableType type) {
  return type == TableType::kPlaylist ? QStringLiteral("Playlist table") : QStringLiteral("MediaLibrary table");
}

void PreferencesPageInstanceTable::postReload() {
  for (PreferencesPageInstanceTable* page : openPages()) {
    QMetaObject::invokeMethod(page, &PreferencesPageInstanceTable::reload, Qt::QueuedConnection);
  }
}

std::size_t PreferencesPageInstanceTable::openPageCount() { return openPages().size(); }

QString PreferencesPageInstanceTable::helpFile() const {
  return QString::fromLatin1(kHelpFile.data(), static_cast<qsizetype>(kHelpFile.size()));
}

void PreferencesPageInstanceTable::buildLayout() {
  title_ = new QLabel(pageName(type_));
  QFont bold = title_->font();
  bold.setWeight(QFont::Bold);
  bold.setPointSize(11);
  title_->setFont(bold);

  table_ = new QTableWidget(0, kListColumnCount);
  table_->setAccessibleName(QStringLiteral("Columns of ") + pageName(type_));
  table_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Type"), QStringLiteral("Collation"),
                                     QStringLiteral("Title format expression")});
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setShowGrid(true);
  table_->setWordWrap(false);
  table_->setAlternatingRowColors(false);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  QHeaderView* header = table_->horizontalHeader();
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setHighlightSections(false);
  header->setStretchLastSection(true);
  connect(table_, &QTableWidget::itemSelectionChanged, this, &PreferencesPageInstanceTable::updateButtons);
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { editColumn(); });

  auto make_button = [this](const QString& text, void (PreferencesPageInstanceTable::*slot)()) {
    auto* button = new QPushButton(text);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, slot);
    return button;
  };
  add_ = make_button(QStringLiteral("&Add ..."), &PreferencesPageInstanceTable::addColumn);
  edit_ = make_button(QStringLiteral("&Edit ..."), &PreferencesPageInstanceTable::editColumn);
  remove_ = make_button(QStringLiteral("&Remove ..."), &PreferencesPageInstanceTable::removeColumn);
  defaults_ = make_button(QStringLiteral("Add &defaults"), &PreferencesPageInstanceTable::addDefaults);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add_);
  buttons->addWidget(edit_);
  buttons->addWidget(remove_);
  buttons->addStretch(1);
  buttons->addWidget(defaults_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(title_);
  layout->addWidget(table_, 1);
  layout->addLayout(buttons);
}

std::size_t PreferencesPageInstanceTable::builtInCount() const {
  return std::min(library_tables::VTabColumnStore::instance().builtInCount(), list_.size());
}

int PreferencesPageInstanceTable::selectedRow() const {
  const QList<QTableWidgetSelectionRange> ranges = table_->selectedRanges();
  return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

void PreferencesPageInstanceTable::refill(int select_row) {
  const QSignalBlocker block(table_);
  const std::size_t first = builtInCount();
  table_->clearContents();
  table_->setRowCount(static_cast<int>(list_.size() - first));
  for (std::size_t i = first; i < list_.size(); ++i) {
    const SQLiteMetaDBVTabColumn& column = list_[i];
    const int row = static_cast<int>(i - first);
    const std::string_view type = library_tables::columnTypeText(column.kind());
    table_->setItem(row, kNameColumn, new QTableWidgetItem(fromString(column.name())));
    table_->setItem(row, kTypeColumn,
                    new QTableWidgetItem(QString::fromUtf8(type.data(), static_cast<qsizetype>(type.size()))));
    table_->setItem(row, kCollationColumn, new QTableWidgetItem(fromString(column.collation())));
    table_->setItem(row, kExpressionColumn, new QTableWidgetItem(fromString(column.expression())));
  }
  fitColumns();
  table_->clearSelection();
  if (select_row >= 0 && select_row < table_->rowCount()) {
    table_->selectRow(select_row);
    table_->scrollToItem(table_->item(select_row, kNameColumn));
  }
  updateButtons();
}

void PreferencesPageInstanceTable::fitColumns() {
  // Each column as wide as its widest entry, but never narrower than its
  // first width nor so wide that the expressions lose their room.
  QHeaderView* header = table_->horizontalHeader();
  const double unit = fontMetrics().averageCharWidth() / 4.0;
  for (int c = 0; c < kExpressionColumn; ++c) {
    const int least = static_cast<int>(kColumnUnits[c] * unit + 0.5);
    const int wanted = std::max(static_cast<QAbstractItemView*>(table_)->sizeHintForColumn(c), header->sectionSizeHint(c));
    header->resizeSection(c, std::clamp(wanted, least, least * 2));
  }
}

void PreferencesPageInstanceTable::updateButtons() {
  const bool selected = selectedRow() >= 0;
  edit_->setEnabled(selected);
  remove_->setEnabled(selected);
}

void PreferencesPageInstanceTable::setChanged(bool changed) {
  changed_ = changed;
  emit this->changed();
}

void PreferencesPageInstanceTable::reload() {
  if (editing_) {
    reload_pending_ = true;
    return;
  }
  if (db_.Open()) {
    library_tables::copyColumns(library_tables::VTabColumnStore::instance().columns(type_, db_, true), list_);
  }
  refill(0);
  setChanged(false);
}

bool PreferencesPageInstanceTable::runEditor(EditColumnDialog& dialog) {
  editing_ = true;
  const bool ok = run_editor(dialog);
  editing_ = false;
  if (ok) changed_ = true;
  emit changed();
  table_->setFocus();
  if (reload_pending_) {
    reload_pending_ = false;
    reload();
  }
  return ok;
}

void PreferencesPageInstanceTable::addColumn() {
  const SQLiteMetaDBVTabColumn column(host_, std::string(library_tables::kDefaultCollation), "",
                                      library_tables::ColumnType::kTag, false, "",
                                      std::string(library_tables::kDefaultSeparator), "", "");
  EditColumnDialog dialog(EditColumnDialog::Mode::kAdd, column, type_, list_, host_, this);
  if (runEditor(dialog)) refill(table_->rowCount());
}

void PreferencesPageInstanceTable::editColumn() {
  const int row = selectedRow();
  if (row < 0) return;
  const std::size_t index = builtInCount() + static_cast<std::size_t>(row);
  EditColumnDialog dialog(EditColumnDialog::Mode::kEdit, list_[index], type_, list_, host_, this);
  dialog.setEditedIndex(index);
  // The edited column stands last until the next reload sorts the list.
  if (runEditor(dialog)) refill(table_->rowCount() - 1);
}

void PreferencesPageInstanceTable::removeColumn() {
  const int row = selectedRow();
  if (row < 0) return;
  if (!host_.askYesNo("Are you sure?", "Delete column")) {
    table_->setFocus();
    return;
  }
  list_.removeAt(builtInCount() + static_cast<std::size_t>(row));
  refill(std::max(row - 1, 0));
  setChanged(true);
  table_->setFocus();
}

void PreferencesPageInstanceTable::addDefaults() {
  library_tables::VTabColumns defaults;
  library_tables::VTabColumnStore::instance().defaultColumns(type_, host_, defaults);
  const std::size_t added = library_tables::addMissingColumns(list_, defaults);
  if (added > 0) {
    refill(table_->rowCount() + static_cast<int>(added) - 1);
    changed_ = true;
  }
  emit changed();
}

bool PreferencesPageInstanceTable::apply() {
  if (!db_.Open()) return false;
  const std::string error = library_tables::applyColumnList(type_, list_, db_);
  if (!error.empty()) {
    host_.messageBox(error, host::kComponentFileName);
    return false;
  }
  refill(0);
  setChanged(false);
  return true;
}

}  // namespace ui
