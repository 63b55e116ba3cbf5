#include "ui/console_window.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "host/host.h"
#include "ui/chart_panel.h"
#include "ui/result_model.h"
#include "ui/script_file.h"
#include "ui/sql_editor.h"
#include "ui/table_preferences_page.h"

namespace ui {
namespace {

// Sizes in dialog units.
constexpr int kMarginX = 2;
constexpr int kMarginY = 4;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;
constexpr int kStatusHeight = 12;
constexpr int kFirstEditHeight = 120;
constexpr int kLeastPartHeight = 50;
constexpr int kMinimumWidth = 300;
constexpr int kMinimumHeight = 320;
constexpr int kFirstWidth = 400;
constexpr int kFirstHeight = 340;

// Column widths in pixels.
constexpr int kNumberColumnWidth = 30;
constexpr int kValueColumnWidth = 80;
// After a run each value column is as wide as its title and the widest of
// its first rows, within these bounds.
constexpr int kLeastFitWidth = 40;
constexpr int kMostFitWidth = 300;
constexpr int kFitSampleRows = 200;

const QString kSqlFilter = QStringLiteral("SQL files (*.sql)");

bool isBlank(const QString& text) {
  for (const QChar c : text) {
    if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n') return false;
  }
  return true;
}

QString chooseFile(QWidget* parent, const QString& title, const QString& folder, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, title, folder, kSqlFilter);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QStringLiteral("sql"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace

ConsoleWindow::ConsoleWindow(host::Host& host, QWidget* parent)
    : Dialog(parent), host_(host), db_(host), run_(db_) {
  setObjectName(QStringLiteral("vostrel_console"));
  setWindowTitle(QStringLiteral("Vostrel console"));
  setModal(false);
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  setSizeGripEnabled(true);
  last_folder_ = QDir::homePath();

  run_.setAfterRunHook([this] { emit tablePagesReloadRequested(); });
  connect(this, &ConsoleWindow::tablePagesReloadRequested, this, &PreferencesPageInstanceTable::postReload);
  run_menu = [](QMenu& menu, const QPoint& global_pos) { return menu.exec(global_pos); };
  choose_load_file = [this] {
    return chooseFile(this, QStringLiteral("Select script to open"), last_folder_, QFileDialog::AcceptOpen);
  };
  choose_save_file = [this] {
    return chooseFile(this, QStringLiteral("Save script as..."), last_folder_, QFileDialog::AcceptSave);
  };

  buildLayout();
  connect(qApp, &QCoreApplication::aboutToQuit, this, &ConsoleWindow::abort);
  setStatus(QStringLiteral("Ready"));
  updateButtons();
}

ConsoleWindow::~ConsoleWindow() { abort(); }

double ConsoleWindow::horizontalUnit() const { return dialogUnit(this).width(); }

double ConsoleWindow::verticalUnit() const { return dialogUnit(this).height(); }

void ConsoleWindow::buildLayout() {
  auto x = [this](int units) { return dialogUnits(this, units, 0).width(); };
  auto y = [this](int units) { return dialogUnits(this, 0, units).height(); };

  editor_ = new SqlEditor;
  editor_->setAccessibleName(QStringLiteral("SQL script"));
  editor_->setAccessibleDescription(QStringLiteral("Ctrl+Enter runs the script"));
  editor_->setMinimumHeight(y(kLeastPartHeight));
  connect(editor_, &QsciScintilla::textChanged, this, &ConsoleWindow::updateButtons);

  model_ = new ResultModel(this);
  results_ = new QTableView;
  results_->setAccessibleName(QStringLiteral("Results"));
  results_->setModel(model_);
  results_->setMinimumHeight(y(kLeastPartHeight));
  results_->setShowGrid(true);
  results_->setSelectionBehavior(QAbstractItemView::SelectRows);
  results_->setWordWrap(false);
  results_->setContextMenuPolicy(Qt::CustomContextMenu);
  results_->verticalHeader()->hide();
  results_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  results_->verticalHeader()->setDefaultSectionSize(QFontMetrics(results_->font()).height() + 4);
  QHeaderView* header = results_->horizontalHeader();
  header->setSectionsMovable(true);
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setDefaultSectionSize(kValueColumnWidth);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setSortIndicatorShown(false);
  connect(header, &QHeaderView::sectionClicked, this, &ConsoleWindow::sortBy);
  connect(model_, &QAbstractItemModel::modelReset, this, [this] {
    resetSort();
    fitColumns();
  });
  connect(results_, &QWidget::customContextMenuRequested, this, &ConsoleWindow::showResultsMenu);
  fitColumns();

  // The rows, and beside them the same rows as a chart.
  chart_ = new ChartPanel;
  chart_->setData(&chart_data_);
  tabs_ = new QTabWidget;
  tabs_->setDocumentMode(true);
  tabs_->addTab(results_, QStringLiteral("&Grid"));
  tabs_->addTab(chart_, QStringLiteral("&Chart"));
  tabs_->setTabToolTip(1, QStringLiteral("The rows of the last statement as a bar, line or pie chart"));
  tabs_->setMinimumHeight(y(kLeastPartHeight));
  tabs_->setAccessibleName(QStringLiteral("Result"));

  splitter_ = new QSplitter(Qt::Vertical);
  splitter_->setChildrenCollapsible(false);
  splitter_->setHandleWidth(y(2 * kMarginY) - y(kMarginY));
  splitter_->addWidget(editor_);
  splitter_->addWidget(tabs_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);

  auto make_button = [&](const QString& text, void (ConsoleWindow::*slot)()) {
    auto* button = new QPushButton(text);
    button->setAutoDefault(false);
    button->setFixedSize(x(kButtonWidth), y(kButtonHeight));
    connect(button, &QPushButton::clicked, this, slot);
    return button;
  };
  execute_ = make_button(QStringLiteral("&Execute"), &ConsoleWindow::execute);
  abort_ = make_button(QStringLiteral("&Abort"), &ConsoleWindow::abort);
  load_ = make_button(QStringLiteral("&Load..."), &ConsoleWindow::chooseAndLoad);
  save_ = make_button(QStringLiteral("&Save..."), &ConsoleWindow::chooseAndSave);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(x(kMarginX));
  for (QPushButton* button : {execute_, abort_, load_, save_}) buttons->addWidget(button);
  buttons->addStretch(1);

  status_ = new QLabel;
  status_->setFixedHeight(y(kStatusHeight));
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(x(kMarginX), y(kMarginY), x(kMarginX), y(kMarginY) / 2);
  layout->setSpacing(y(kMarginY));
  layout->addWidget(splitter_, 1);
  layout->addLayout(buttons);
  layout->addWidget(status_);

  setMinimumDialogSize(kMinimumWidth, kMinimumHeight);
  resize(dialogUnits(this, kFirstWidth, kFirstHeight));

  auto* run_shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this);
  connect(run_shortcut, &QShortcut::activated, this, &ConsoleWindow::execute);
}

void ConsoleWindow::showEvent(QShowEvent* event) {
  Dialog::showEvent(event);
  if (laid_out_) return;
  laid_out_ = true;
  const int edit = static_cast<int>(kFirstEditHeight * verticalUnit() + 0.5);
  const int total = splitter_->height();
  splitter_->setSizes({edit, std::max(total - edit, tabs_->minimumHeight())});
}

void ConsoleWindow::openWithScript(const QString& script) {
  if (!isVisible() && rememberedSize().isValid()) resize(rememberedSize());
  showModeless();
  // The keyboard goes on where the script is written.
  editor_->setFocus(Qt::OtherFocusReason);
  if (script.isEmpty()) return;
  editor_->setText(script);
  if (running_) {
    // Runs once the abort has taken effect (see execute()).
    rerun_ = true;
    run_.abort();
    return;
  }
  execute();
}

void ConsoleWindow::execute() {
  if (running_) return;
  for (;;) {
    const QString script = editor_->text();
    if (isBlank(script) || !db_.Open()) return;
    rerun_ = false;
    running_ = true;
    setStatus(QStringLiteral("Executing SQL ..."));
    updateButtons();
    results_->setUpdatesEnabled(false);
    console::RunOutcome outcome;
    try {
      console::SinkPair sink(*model_, chart_data_);
      outcome = run_.run(script.toStdString(), sink);
    } catch (const std::exception& e) {
      // The run reports database errors itself; anything else stops here
      // rather than crossing the event loop.
      host_.messageBox(std::string("Execution error:\n") + e.what(), host::kComponentFileName);
      model_->clearResult();
      chart_data_.clearResult();
      outcome.result = console::RunResult::kError;
      outcome.status = "Execution error";
    }
    model_->publish();
    fitNumberColumn();
    fitValueColumns();
    results_->setUpdatesEnabled(true);
    chart_->resultChanged();
    running_ = false;
    const bool again = rerun_ && outcome.result == console::RunResult::kAborted;
    rerun_ = false;
    setStatus(QString::fromStdString(outcome.status));
    updateButtons();
    if (outcome.result == console::RunResult::kError) editor_->setFocus();
    emit runFinished(statusText());
    if (!again) return;
  }
}

void ConsoleWindow::abort() {
  rerun_ = false;
  run_.abort();
}

void ConsoleWindow::reject() {
  // Closing the window ends the run; the window itself is only hidden.
  abort();
  rememberSize(size());
  Dialog::reject();
}

void ConsoleWindow::setStatus(const QString& text) { status_->setText(text); }

QString ConsoleWindow::statusText() const { return status_->text(); }

void ConsoleWindow::updateButtons() {
  execute_->setEnabled(!running_ && !isBlank(editor_->text()));
  abort_->setEnabled(running_);
  load_->setEnabled(!running_);
  save_->setEnabled(!running_);
  results_->setEnabled(!running_);
  chart_->setEnabled(!running_);
}

void ConsoleWindow::fitColumns() {
  QHeaderView* header = results_->horizontalHeader();
  for (int c = 0; c < model_->columnCount(); ++c) {
    header->resizeSection(c, c == 0 && !model_->noRows() ? kNumberColumnWidth : kValueColumnWidth);
  }
}

void ConsoleWindow::fitNumberColumn() {
  // 30 pixels hold three digits; longer numbers widen the column so that
  // they are not cut.
  if (model_->noRows() || model_->rowCount() == 0) return;
  QHeaderView* header = results_->horizontalHeader();
  const QString widest = QString::number(model_->rowCount());
  const int needed = results_->fontMetrics().horizontalAdvance(widest) + 2 * results_->style()->pixelMetric(
                                                                                 QStyle::PM_FocusFrameHMargin) + 8;
  header->resizeSection(0, std::max(kNumberColumnWidth, needed));
}

void ConsoleWindow::fitValueColumns() {
  if (model_->noRows()) return;
  QHeaderView* header = results_->horizontalHeader();
  const QFontMetrics cells = results_->fontMetrics();
  const QFontMetrics titles = header->fontMetrics();
  const int cell_padding = 2 * results_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
  // Room for the margins and the sort arrow a click on the title adds.
  const int title_padding = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin) +
                            header->style()->pixelMetric(QStyle::PM_HeaderMarkSize) + 8;
  const int rows = std::min(model_->rowCount(), kFitSampleRows);
  for (int c = 1; c < model_->columnCount(); ++c) {
    int width = titles.horizontalAdvance(model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) +
                title_padding;
    for (int r = 0; r < rows && width < kMostFitWidth; ++r) {
      width = std::max(width, cells.horizontalAdvance(model_->cellText(r, c)) + cell_padding);
    }
    header->resizeSection(c, std::clamp(width, kLeastFitWidth, kMostFitWidth));
  }
}

void ConsoleWindow::resetSort() {
  sort_column_ = -1;
  sort_ascending_ = true;
  results_->horizontalHeader()->setSortIndicatorShown(false);
}

void ConsoleWindow::sortBy(int column) {
  if (running_ || model_->noRows()) return;
  sort_ascending_ = column == sort_column_ ? !sort_ascending_ : true;
  sort_column_ = column;
  model_->sort(column, sort_ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
  QHeaderView* header = results_->horizontalHeader();
  // The header draws Qt::DescendingOrder as an up arrow: ascending rows get
  // the up arrow, descending ones the down arrow.
  header->setSortIndicator(column, sort_ascending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
  header->setSortIndicatorShown(true);
}

void ConsoleWindow::showResultsMenu(const QPoint& pos) {
  const QModelIndex index = results_->indexAt(pos);
  if (!index.isValid() || running_) return;
  QMenu menu(this);
  QAction* cell = menu.addAction(QStringLiteral("Copy cell"));
  QAction* row = menu.addAction(QStringLiteral("Copy row"));
  QAction* all = menu.addAction(QStringLiteral("Copy all"));
  QAction* chosen = run_menu(menu, results_->viewport()->mapToGlobal(pos));
  QString text;
  if (chosen == cell) {
    text = model_->cellText(index.row(), index.column());
  } else if (chosen == row) {
    text = model_->rowText(index.row());
  } else if (chosen == all) {
    text = model_->allRowsText();
  } else {
    return;
  }
  QGuiApplication::clipboard()->setText(text);
}

bool ConsoleWindow::loadScript(const QString& path) {
  QString script;
  const QString error = readScriptFile(path, script);
  if (!error.isEmpty()) {
    host_.messageBox(error.toStdString(), host::kComponentFileName);
    return false;
  }
  editor_->setText(script);
  last_folder_ = QFileInfo(path).absolutePath();
  updateButtons();
  return true;
}

bool ConsoleWindow::saveScript(const QString& path) {
  const QString error = writeScriptFile(path, editor_->text());
  if (!error.isEmpty()) {
    host_.messageBox(error.toStdString(), host::kComponentFileName);
    return false;
  }
  last_folder_ = QFileInfo(path).absolutePath();
  return true;
}

void ConsoleWindow::chooseAndLoad() {
  if (running_) return;
  const QString path = choose_load_file();
  if (!path.isEmpty()) loadScript(path);
}

void ConsoleWindow::chooseAndSave() {
  if (running_) return;
  const QString path = choose_save_file();
  if (!path.isEmpty()) saveScript(path);
}

}  // namespace ui
