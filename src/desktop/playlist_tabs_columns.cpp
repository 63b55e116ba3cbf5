// The playlist tables' columns: the header's menu, custom columns, widths
// fitted to the rows, and the layout all tables share.
#include <algorithm>
#include <memory>

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTableView>

#include "desktop/playlist_model.h"
#include "desktop/playlist_sorting.h"
#include "desktop/playlist_tabs.h"

namespace desktop {
namespace {

constexpr int kSampleRows = 200;  // rows measured when fitting widths
constexpr int kMinimumWidth = 36;
constexpr int kMaximumFittedWidth = 420;
constexpr int kFewRows = 20;

}  // namespace

std::vector<PlaylistColumn> PlaylistTabs::shownColumns() const {
  std::vector<PlaylistColumn> columns;
  for (const profile::PlaylistColumnLayout& entry : columns_) columns.push_back(columnOf(entry));
  return columns;
}

namespace {

int lastShownSection(const QHeaderView& header) {
  for (int visual = header.count() - 1; visual >= 0; --visual) {
    const int logical = header.logicalIndex(visual);
    if (!header.isSectionHidden(logical)) return logical;
  }
  return -1;
}

}  // namespace

void PlaylistTabs::setUpHeader(QTableView& table) {
  QHeaderView& header = *table.horizontalHeader();
  header.setHighlightSections(false);
  header.setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header.setSectionsMovable(true);
  header.setStretchLastSection(true);
  header.setContextMenuPolicy(Qt::CustomContextMenu);
  connect(&header, &QWidget::customContextMenuRequested, this, [this, &header](const QPoint& position) {
    const int logical = header.logicalIndexAt(position);
    std::unique_ptr<QMenu> menu(headerMenu(logical >= 0 ? header.visualIndex(logical) : -1));
    menu->exec(header.mapToGlobal(position));
  });
  connect(&header, &QHeaderView::sectionMoved, this, [this, &table] {
    if (applying_columns_) return;
    takeColumns(table);
    // Reordering the models resets them: not inside the header's own signal.
    QMetaObject::invokeMethod(this, &PlaylistTabs::applyColumnsEverywhere, Qt::QueuedConnection);
  });
  connect(&header, &QHeaderView::sectionResized, this, [this, &table, &header](int logical) {
    // The last column stretches with the view: its width is never the
    // user's, and taking the others' then would mark them as sized by the
    // user before they were ever fitted. Any other width is the user's.
    if (applying_columns_ || logical == lastShownSection(header)) return;
    fitted_ = false;
    takeColumns(table);
    emit columnsChanged();
  });
  applyColumns(table, true);
  new HeaderSorting(player_, table);
}

void PlaylistTabs::takeColumns(QTableView& table) {
  const QHeaderView& header = *table.horizontalHeader();
  if (header.count() != static_cast<int>(columns_.size())) return;
  std::vector<profile::PlaylistColumnLayout> ordered;
  for (int visual = 0; visual < header.count(); ++visual) {
    const int logical = header.logicalIndex(visual);
    profile::PlaylistColumnLayout entry = columns_[static_cast<std::size_t>(logical)];
    // The last column stretches to the edge: its width is the view's, not the user's.
    if (!header.isSectionHidden(logical) && logical != header.logicalIndex(header.count() - 1)) {
      entry.width = header.sectionSize(logical);
    }
    ordered.push_back(std::move(entry));
  }
  columns_ = std::move(ordered);
}

void PlaylistTabs::applyColumns(QTableView& table, bool fit) {
  const bool was_applying = applying_columns_;
  applying_columns_ = true;
  auto* model = static_cast<PlaylistModel*>(table.model());
  model->setColumns(shownColumns());
  QHeaderView& header = *table.horizontalHeader();
  // The models hold the columns in display order: no section stays moved.
  for (int visual = 0; visual < header.count(); ++visual) {
    const int logical = header.logicalIndex(visual);
    if (logical != visual) header.moveSection(header.visualIndex(visual), visual);
  }
  applyWidths(table);
  applying_columns_ = was_applying;
  if (fit) {
    // Columns never sized fit what the first rows hold (the last one
    // stretches to the edge).
    std::size_t unsized = 0;
    for (const profile::PlaylistColumnLayout& entry : columns_) unsized += entry.visible && entry.width == 0;
    // Only a view on screen knows the room it has; the others wait for
    // showStartPosition().
    if (unsized > 1 && table.isVisible()) fitTable(table, true);
  }
  // Selections are kept by the player; a reset dropped the view's.
  for (std::size_t p = 0; p < views_.size(); ++p) {
    if (views_[p] == &table) showSelection(p);
  }
}

void PlaylistTabs::applyWidths(QTableView& table) {
  const bool was_applying = applying_columns_;
  applying_columns_ = true;
  const auto* model = static_cast<PlaylistModel*>(table.model());
  for (std::size_t c = 0; c < columns_.size() && c < model->columns().size(); ++c) {
    const int column = static_cast<int>(c);
    table.setColumnHidden(column, !columns_[c].visible);
    const int width = columns_[c].width > 0 ? columns_[c].width : model->columns()[c].default_width;
    table.setColumnWidth(column, width);
  }
  applying_columns_ = was_applying;
}

void PlaylistTabs::applyColumnsEverywhere() {
  for (QTableView* table : views_) applyColumns(*table, false);
  emit columnsChanged();
}

void PlaylistTabs::refitAfterResize() {
  auto* table = qobject_cast<QTableView*>(currentWidget());
  if (fitted_ && table != nullptr && table->isVisible()) fitTable(*table, false);
}

void PlaylistTabs::fitColumns() {
  if (auto* table = qobject_cast<QTableView*>(currentWidget())) fitTable(*table, false);
}

void PlaylistTabs::fitTable(QTableView& view, bool only_unsized) {
  QTableView* table = &view;
  auto* model = static_cast<PlaylistModel*>(table->model());
  const QFontMetrics metrics(table->font());
  const QFontMetrics header_metrics(table->horizontalHeader()->font());
  const int rows = std::min(model->rowCount(), kSampleRows);
  const int padding = table->style()->pixelMetric(QStyle::PM_HeaderMargin) * 2 + 14;
  const bool was_applying = applying_columns_;
  applying_columns_ = true;
  int last_shown = -1;
  std::vector<int> wanted(static_cast<std::size_t>(model->columnCount()), 0);
  bool kept_any = false;  // a column kept the user's width
  int fixed = 0;     // what the columns left alone take
  int flexible = 0;  // what the fitted text columns want
  for (int c = 0; c < model->columnCount(); ++c) {
    if (table->isColumnHidden(c)) continue;
    last_shown = c;
    const PlaylistColumn& column = model->columns()[static_cast<std::size_t>(c)];
    if (only_unsized && columns_[static_cast<std::size_t>(c)].width > 0) {
      kept_any = true;
      fixed += table->columnWidth(c);
      continue;
    }
    int width = header_metrics.horizontalAdvance(QString::fromStdString(column.title)) + padding + 12;
    for (int row = 0; row < rows; ++row) width = std::max(width, metrics.horizontalAdvance(model->text(row, c)) + padding);
    width = std::clamp(width, kMinimumWidth, kMaximumFittedWidth);
    // A few rows say little about the rows to come: a short playlist keeps
    // the column's usual width at least.
    width = std::max(width, rows < kFewRows ? column.default_width : column.default_width / 2);
    wanted[static_cast<std::size_t>(c)] = width;
    (column.right_aligned ? fixed : flexible) += width;
  }
  // Text columns share what the view has: each gives up room in proportion
  // to its want, so that none is cut off while another has room to spare.
  const int room = table->viewport()->width() - fixed;
  const double scale = table->isVisible() && flexible > room && room > 0 ? double(room) / flexible : 1.0;
  for (int c = 0; c < model->columnCount(); ++c) {
    int width = wanted[static_cast<std::size_t>(c)];
    if (width == 0) continue;
    if (!model->columns()[static_cast<std::size_t>(c)].right_aligned) {
      width = std::max(kMinimumWidth, static_cast<int>(width * scale));
    }
    table->setColumnWidth(c, width);
    columns_[static_cast<std::size_t>(c)].width = width;
  }
  if (last_shown >= 0) columns_[static_cast<std::size_t>(last_shown)].width = 0;
  fitted_ = !kept_any && table->isVisible();
  applying_columns_ = was_applying;
  for (QTableView* other : views_) {
    if (other != table) applyWidths(*other);
  }
  if (!was_applying) emit columnsChanged();
}

std::vector<profile::PlaylistColumnLayout> PlaylistTabs::columnLayout() const { return columns_; }

void PlaylistTabs::setColumnLayout(std::vector<profile::PlaylistColumnLayout> layout) {
  std::erase_if(layout, [](const profile::PlaylistColumnLayout& entry) {
    return entry.id != kCustomColumnId && findStandardColumn(entry.id) == nullptr;
  });
  columns_ = layout.empty() ? defaultColumnLayout() : std::move(layout);
  fitted_ = false;
  for (QTableView* table : views_) applyColumns(*table, true);
}

void PlaylistTabs::setColumnVisible(const std::string& id, bool visible) {
  auto found = std::find_if(columns_.begin(), columns_.end(),
                            [&id](const profile::PlaylistColumnLayout& entry) { return entry.id == id; });
  if (found == columns_.end()) {
    if (!visible || findStandardColumn(id) == nullptr) return;
    columns_.push_back({id, "", "", 0, true});
  } else {
    found->visible = visible;
  }
  applyColumnsEverywhere();
}

bool PlaylistTabs::addCustomColumn(const QString& title, const QString& expression, QString* error) {
  if (title.trimmed().isEmpty()) {
    if (error != nullptr) *error = tr("The column needs a title.");
    return false;
  }
  std::string message;
  if (player_.compileTitleFormat(expression.toStdString(), &message) == nullptr) {
    if (error != nullptr) *error = tr("The expression does not compile: %1").arg(QString::fromStdString(message));
    return false;
  }
  columns_.push_back({std::string(kCustomColumnId), title.trimmed().toStdString(), expression.toStdString(), 0, true});
  applyColumnsEverywhere();
  return true;
}

void PlaylistTabs::removeColumn(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= columns_.size()) return;
  if (columns_[static_cast<std::size_t>(index)].id != kCustomColumnId) return;
  columns_.erase(columns_.begin() + index);
  applyColumnsEverywhere();
}

QMenu* PlaylistTabs::headerMenu(int section) {
  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("playlist_header_menu"));
  for (const PlaylistColumn& column : standardColumns()) {
    const auto found = std::find_if(columns_.begin(), columns_.end(), [&column](const auto& entry) {
      return entry.id == column.id;
    });
    QAction* action = menu->addAction(QString::fromStdString(column.title));
    action->setCheckable(true);
    action->setChecked(found != columns_.end() && found->visible);
    const std::string id = column.id;
    connect(action, &QAction::toggled, this, [this, id](bool on) { setColumnVisible(id, on); });
  }
  // Custom columns are shown while they exist; removing one is its own entry.
  menu->addSeparator();
  menu->addAction(tr("Add custom column..."), this, &PlaylistTabs::askCustomColumn);
  if (section >= 0 && static_cast<std::size_t>(section) < columns_.size() &&
      columns_[static_cast<std::size_t>(section)].id == kCustomColumnId) {
    const QString title = QString::fromStdString(columns_[static_cast<std::size_t>(section)].title);
    menu->addAction(tr("Remove column \"%1\"").arg(title), this, [this, section] { removeColumn(section); });
  }
  menu->addSeparator();
  menu->addAction(tr("Fit columns to contents"), this, &PlaylistTabs::fitColumns);
  return menu;
}

void PlaylistTabs::askCustomColumn() {
  QDialog dialog(this);
  dialog.setWindowTitle(tr("Add custom column"));
  auto* form = new QFormLayout(&dialog);
  auto* title = new QLineEdit(&dialog);
  title->setAccessibleName(tr("Column title"));
  auto* expression = new QLineEdit(&dialog);
  expression->setAccessibleName(tr("Title formatting expression"));
  expression->setPlaceholderText(QStringLiteral("$year(%date%)"));
  auto* problem = new QLabel(&dialog);
  problem->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  form->addRow(tr("&Title:"), title);
  form->addRow(tr("&Expression:"), expression);
  form->addRow(problem);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
    QString error;
    if (addCustomColumn(title->text(), expression->text(), &error)) {
      dialog.accept();
    } else {
      problem->setText(error);
    }
  });
  dialog.exec();
}

}  // namespace desktop
