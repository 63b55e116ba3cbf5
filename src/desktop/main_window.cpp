#include "desktop/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>

#include "component/registry.h"
#include "component/version.h"
#include "desktop/desktop_ui.h"
#include "desktop/panel_docks.h"
#include "desktop/playback_controller.h"
#include "desktop/player_signals.h"
#include "desktop/playlist_summary.h"
#include "desktop/playlist_tabs.h"
#include "desktop/preferences_dialog.h"
#include "desktop/transport_bar.h"
#include "host/host.h"
#include "profile/data_error.h"
#include "ui/console_window.h"

namespace desktop {
namespace {

constexpr int kLogLineLimit = 5000;
constexpr int kFirstLogHeight = 110;  // the log's height before the user chose one

QByteArray toBytes(const std::vector<uint8_t>& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

std::vector<uint8_t> fromBytes(const QByteArray& bytes) { return std::vector<uint8_t>(bytes.begin(), bytes.end()); }

}  // namespace

MainWindow::MainWindow(player::Player& player, component::Registry& registry, DesktopUi& ui, PlayerSignals& player_signals,
                       QWidget* parent)
    : QMainWindow(parent), player_(player), registry_(registry), ui_(ui) {
  setObjectName(QStringLiteral("vostrel_main_window"));
  setWindowTitle(QStringLiteral("Vostrel"));
  setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks | QMainWindow::AllowTabbedDocks);
  resize(1100, 700);

  tabs_ = new PlaylistTabs(player_, player_signals, this);
  setCentralWidget(tabs_);

  log_ = new QPlainTextEdit;
  log_->setReadOnly(true);
  log_->setMaximumBlockCount(kLogLineLimit);
  log_->setLineWrapMode(QPlainTextEdit::NoWrap);
  log_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  log_dock_ = new QDockWidget(tr("Log"), this);
  log_dock_->setObjectName(QStringLiteral("log"));
  log_dock_->setWidget(log_);
  addDockWidget(Qt::BottomDockWidgetArea, log_dock_);
  ui_.setConsoleSink([this](const QString& line) { log_->appendPlainText(line); });

  panels_ = new PanelDocks(*this, player_, ui_,
                           [this](const std::string& sql) { console().openWithScript(QString::fromStdString(sql)); });

  tracks_label_ = new QLabel;
  library_label_ = new QLabel;
  playback_label_ = new QLabel;
  playlist_label_ = new QLabel;
  playlist_label_->setObjectName(QStringLiteral("playlist_summary"));
  statusBar()->addWidget(playback_label_, 1);
  statusBar()->addPermanentWidget(playlist_label_);
  statusBar()->addPermanentWidget(library_label_);
  statusBar()->addPermanentWidget(tracks_label_);
  connect(&player_signals, &PlayerSignals::playbackEvent, this, &MainWindow::updateStatus);
  connect(&player_signals, &PlayerSignals::libraryEvent, this, &MainWindow::updateStatus);
  connect(&player_signals, &PlayerSignals::playlistEvent, this, &MainWindow::updateStatus);

  buildMenus();
  updateStatus();
}

MainWindow::~MainWindow() { ui_.setConsoleSink({}); }

void MainWindow::buildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  QAction* open = file->addAction(tr("&Open library file..."), this, &MainWindow::chooseLibrary);
  open->setShortcut(QKeySequence::Open);
  file->addSeparator();
  QAction* quit = file->addAction(tr("&Quit"), this, &MainWindow::quitRequested);
  quit->setShortcut(QKeySequence::Quit);

  QMenu* view = menuBar()->addMenu(tr("&View"));
  view->addAction(tr("New Vostrel panel"), this, [this] { panels_->addPanel({}); });
  QAction* log = log_dock_->toggleViewAction();
  log->setText(tr("&Log"));
  view->addAction(log);
  view->addSeparator();
  view->addAction(tr("&Rescan library"), this, &MainWindow::rescanRequested);

  playback_menu_ = menuBar()->addMenu(tr("&Playback"));

  QMenu* tools = menuBar()->addMenu(tr("&Tools"));
  for (const component::MainMenuCommand& command : registry_.mainMenuCommands()) {
    QAction* action = tools->addAction(QString::fromStdString(command.name));
    action->setStatusTip(QString::fromStdString(command.description));
    action->setEnabled(static_cast<bool>(command.run));
    connect(action, &QAction::triggered, this, [run = command.run] {
      if (run) run();
    });
  }
  if (!tools->actions().isEmpty()) tools->addSeparator();
  tools->addAction(tr("&Preferences..."), this, &MainWindow::showPreferences);

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  QAction* help_page = help->addAction(tr("Vostrel help"), &ui_, &DesktopUi::openHelp);
  help_page->setShortcut(QKeySequence::HelpContents);
  help->addAction(tr("&About Vostrel"), this, &MainWindow::showAbout);
}

ui::ConsoleWindow& MainWindow::console() {
  if (console_ == nullptr) console_ = new ui::ConsoleWindow(player_, this);
  return *console_;
}

void MainWindow::showPreferences() {
  PreferencesDialog dialog(player_, registry_, [this](const QString& file) { return ui_.openHelpPage(file); }, this);
  dialog.exec();
}

void MainWindow::abortConsole() {
  if (console_ != nullptr) console_->abort();
}

void MainWindow::attachPlayback(PlaybackController& playback) {
  playback_ = &playback;
  transport_ = new TransportBar(playback, this);
  addToolBar(Qt::TopToolBarArea, transport_);
  transport_->fillMenu(*playback_menu_);
  connect(&playback, &PlaybackController::statusChanged, this, &MainWindow::updateStatus);
  updateStatus();
}

void MainWindow::setLibraryPath(const QString& path) {
  library_label_->setText(QFileInfo(path).fileName());
  library_label_->setToolTip(path);
}

void MainWindow::showWarning(const QString& text, const QString& details) {
  if (warning_label_ == nullptr) {
    warning_label_ = new QLabel;
    warning_label_->setObjectName(QStringLiteral("warning"));
    statusBar()->insertPermanentWidget(0, warning_label_);
  }
  warning_label_->setText(QStringLiteral("\u26a0 ") + text);
  warning_label_->setToolTip(details);
}

QString MainWindow::playlistSummaryText() const { return playlist_label_->text(); }

QString MainWindow::warning() const { return warning_label_ != nullptr ? warning_label_->toolTip() : QString(); }

void MainWindow::updateStatus() {
  const std::size_t tracks = player_.libraryTrackCount();
  tracks_label_->setText(tracks == 1 ? tr("Library: 1 track") : tr("Library: %L1 tracks").arg(tracks));
  const std::size_t active = player_.activePlaylist();
  if (active == host::kNoPlaylist || active >= player_.playlistCount()) {
    playlist_label_->clear();
  } else {
    const player::Playlist& playlist = player_.playlists().at(active);
    playlist_label_->setText(playlistSummary(playlist.items, playlist.selected));
  }
  playback_label_->setText(playback_ != nullptr ? playback_->statusText() : tr("Stopped"));
}

profile::Layout MainWindow::layout() {
  profile::Layout layout;
  layout.panels = panels_->settingsRecords();
  panels_->nameDocks();
  layout.geometry = fromBytes(saveGeometry());
  layout.window_state = fromBytes(saveState());
  layout.playlist_columns = tabs_->columnLayout();
  return layout;
}

void MainWindow::restoreLayout(const profile::Layout& layout) {
  tabs_->setColumnLayout(layout.playlist_columns);
  for (const std::vector<uint8_t>& record : layout.panels) panels_->addPanel(record);
  if (layout.panels.empty()) panels_->addPanel({});
  if (!layout.geometry.empty()) restoreGeometry(toBytes(layout.geometry));
  if (!layout.window_state.empty()) {
    restoreState(toBytes(layout.window_state));
  } else {
    resizeDocks({log_dock_}, {kFirstLogHeight}, Qt::Vertical);
  }
}

bool MainWindow::openLibrary(const QString& path) {
  try {
    player_.replaceLibrary(library::loadLibraryFile(path.toStdString()));
  } catch (const profile::DataError& e) {
    ui_.show_message(QString::fromUtf8(e.what()), QStringLiteral("Vostrel"), true);
    return false;
  }
  setLibraryPath(path);
  updateStatus();
  emit libraryOpened(path);
  return true;
}

void MainWindow::chooseLibrary() {
  const QString path = QFileDialog::getOpenFileName(this, tr("Open library file"), QString(),
                                                    tr("Library files (*.json);;All files (*)"));
  if (!path.isEmpty()) openLibrary(path);
}

void MainWindow::showAbout() {
  const component::ComponentVersion& version = component::vostrelVersion();
  QMessageBox::about(this, tr("About %1").arg(QString::fromStdString(version.name)),
                     QString::fromStdString(version.name + " " + version.version + "\n\n" + version.about));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  emit quitRequested();
  event->accept();
}

}  // namespace desktop
