#include "ui/query_page.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/result_model.h"
#include "ui/sql_editor.h"

namespace ui {

namespace {

constexpr int kLevelColumn = 0;
constexpr int kNameColumn = 1;

QPushButton* makeButton(const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setAutoDefault(false);
  return button;
}

QString previewText() { return QStringLiteral("Preview"); }
QString stopText() { return QStringLiteral("Stop"); }

}  // namespace

QueryPage::QueryPage(db::SQLiteDatabase& db, QWidget* parent) : QWidget(parent), preview_(db) {
  auto* layout = new QVBoxLayout(this);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->setChildrenCollapsible(false);

  auto* sql_pane = new QWidget(splitter);
  auto* sql_layout = new QVBoxLayout(sql_pane);
  sql_layout->setContentsMargins(0, 0, 0, 0);
  editor_ = new SqlEditor(sql_pane);
  auto* sql_label = new QLabel(QStringLiteral("SQL query:"), sql_pane);
  sql_label->setBuddy(editor_);
  sql_layout->addWidget(sql_label);
  sql_layout->addWidget(editor_, 1);
  auto* sql_buttons = new QHBoxLayout;
  apply_ = makeButton(QStringLiteral("&Apply"), sql_pane);
  revert_ = makeButton(QStringLiteral("&Revert"), sql_pane);
  preview_button_ = makeButton(previewText(), sql_pane);
  // Wide enough for either text, so that the row does not jump.
  preview_button_->setMinimumWidth(std::max(preview_button_->sizeHint().width(),
                                            preview_button_->fontMetrics().horizontalAdvance(stopText()) + 24));
  sql_buttons->addWidget(apply_);
  sql_buttons->addWidget(revert_);
  sql_buttons->addStretch(1);
  sql_buttons->addWidget(preview_button_);
  sql_layout->addLayout(sql_buttons);

  splitter->addWidget(sql_pane);
  splitter->addWidget(makeLevelPane());
  splitter->addWidget(makePreviewPane());
  splitter->setStretchFactor(0, 4);
  splitter->setStretchFactor(1, 2);
  splitter->setStretchFactor(2, 3);
  splitter->setSizes({400, 200, 300});
  layout->addWidget(splitter);

  connect(editor_, &SqlEditor::textChanged, this, [this] {
    if (!loading_) emit sqlEdited();
  });
  connect(apply_, &QPushButton::clicked, this, &QueryPage::applyClicked);
  connect(revert_, &QPushButton::clicked, this, &QueryPage::revertClicked);
  connect(preview_button_, &QPushButton::clicked, this, [this] {
    if (preview_.running()) {
      preview_.abort();
    } else {
      emit previewClicked();
    }
  });
  connect(edit_, &QPushButton::clicked, this, [this] {
    const int index = selectedLevel();
    if (index >= 0) emit editLevelRequested(index);
  });
  connect(levels_, &QTableWidget::cellDoubleClicked, this, [this] {
    const int index = selectedLevel();
    if (index >= 0) emit editLevelRequested(index);
  });
}

QueryPage::~QueryPage() { preview_.abort(); }

QWidget* QueryPage::makeLevelPane() {
  auto* pane = new QWidget(this);
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  levels_ = new QTableWidget(0, 2, pane);
  levels_->setAccessibleName(QStringLiteral("Result levels"));
  levels_->setHorizontalHeaderLabels({QStringLiteral("Level"), QStringLiteral("Name")});
  levels_->setSelectionBehavior(QAbstractItemView::SelectRows);
  levels_->setSelectionMode(QAbstractItemView::SingleSelection);
  levels_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  levels_->setShowGrid(true);
  levels_->verticalHeader()->hide();
  levels_->verticalHeader()->setDefaultSectionSize(levels_->fontMetrics().height() + 6);
  levels_->horizontalHeader()->setStretchLastSection(true);
  levels_->horizontalHeader()->setHighlightSections(false);
  levels_->setColumnWidth(kLevelColumn, levels_->fontMetrics().horizontalAdvance(QStringLiteral("Level")) + 24);
  auto* label = new QLabel(QStringLiteral("Result node options:"), pane);
  label->setBuddy(levels_);
  edit_ = makeButton(QStringLiteral("&Edit..."), pane);
  auto* header = new QHBoxLayout;
  header->addWidget(label);
  header->addStretch(1);
  layout->addLayout(header);
  auto* row = new QHBoxLayout;
  row->addWidget(levels_, 1);
  auto* side = new QVBoxLayout;
  side->addWidget(edit_);
  side->addStretch(1);
  row->addLayout(side);
  layout->addLayout(row, 1);
  return pane;
}

QWidget* QueryPage::makePreviewPane() {
  auto* pane = new QWidget(this);
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  preview_model_ = new ResultModel(pane);
  preview_table_ = new QTableView(pane);
  preview_table_->setAccessibleName(QStringLiteral("Preview"));
  preview_table_->setModel(preview_model_);
  preview_table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  preview_table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  preview_table_->verticalHeader()->hide();
  preview_table_->verticalHeader()->setDefaultSectionSize(preview_table_->fontMetrics().height() + 6);
  preview_table_->setWordWrap(false);
  preview_status_ = new QLabel(pane);
  preview_status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  preview_status_->setWordWrap(true);
  layout->addWidget(preview_table_, 1);
  layout->addWidget(preview_status_);
  return pane;
}

void QueryPage::load(const tree::QuerySheet& sheet) {
  const QString text = QString::fromStdString(sheet.sql_text);
  if (editor_->text() == text) return;
  loading_ = true;
  editor_->setText(text);
  loading_ = false;
}

void QueryPage::store(tree::QuerySheet& sheet) const { sheet.sql_text = editor_->text().toStdString(); }

void QueryPage::showLevels(const std::vector<tree::QueryResultNodeOption>& options) {
  levels_->setRowCount(static_cast<int>(options.size()));
  for (int row = 0; row < static_cast<int>(options.size()); ++row) {
    const tree::QueryResultNodeOption& option = options[static_cast<std::size_t>(row)];
    auto* level = new QTableWidgetItem(QString::number(option.level));
    auto* name = new QTableWidgetItem(QString::fromStdString(option.name));
    levels_->setItem(row, kLevelColumn, level);
    levels_->setItem(row, kNameColumn, name);
  }
  if (!options.empty()) levels_->selectRow(0);
}

void QueryPage::showEnableState(const tree::QuerySheet::EnableState& state) {
  apply_->setEnabled(state.apply);
  revert_->setEnabled(state.revert);
  edit_->setEnabled(state.edit_level);
  updatePreviewButton();
}

void QueryPage::setPreviewAllowed(bool allowed) {
  preview_allowed_ = allowed;
  updatePreviewButton();
}

void QueryPage::updatePreviewButton() {
  const bool running = preview_.running();
  preview_button_->setText(running ? stopText() : previewText());
  preview_button_->setEnabled(running ||
                              (preview_allowed_ && !tree::normalizeStatement(editor_->text().toStdString()).empty()));
}

int QueryPage::selectedLevel() const {
  const QList<QTableWidgetSelectionRange> ranges = levels_->selectedRanges();
  if (ranges.size() != 1 || ranges.front().rowCount() != 1) return -1;
  return ranges.front().topRow();
}

void QueryPage::runPreview(std::string statement) {
  if (preview_.running()) return;
  preview_status_->setText(QStringLiteral("Running..."));
  preview_button_->setText(stopText());
  preview_button_->setEnabled(true);
  const QueryPreview::Outcome outcome = preview_.run(statement, *preview_model_);
  preview_model_->publish();
  preview_table_->resizeColumnsToContents();
  // A long value must not push the other columns out of sight.
  const int widest = std::max(80, preview_table_->viewport()->width() / 2);
  for (int column = 0; column < preview_model_->columnCount(); ++column) {
    if (preview_table_->columnWidth(column) > widest) preview_table_->setColumnWidth(column, widest);
  }
  preview_status_->setText(QString::fromStdString(QueryPreview::statusText(outcome)));
  updatePreviewButton();
}

}  // namespace ui
