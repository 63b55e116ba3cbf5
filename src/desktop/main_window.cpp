#include "desktop/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "component/guids.h"
#include "component/registry.h"
#include "component/version.h"
#include "desktop/cover_dock.h"
#include "desktop/cover_loader.h"
#include "desktop/desktop_ui.h"
#include "desktop/library_hint.h"
#include "desktop/library_page.h"
#include "desktop/log_dock.h"
#include "desktop/panel_docks.h"
#include "desktop/playback_controller.h"
#include "desktop/player_signals.h"
#include "desktop/playlist_file_actions.h"
#include "desktop/playlist_sorting.h"
#include "desktop/playlist_summary.h"
#include "desktop/playlist_tabs.h"
#include "desktop/preferences_dialog.h"
#include "desktop/transport_bar.h"
#include "desktop/undo_history.h"
#include "desktop/window_areas.h"
#include "desktop/window_state.h"
#include "host/host.h"
#include "library/file_uri.h"
#include "profile/data_error.h"
#include "ui/console_window.h"

namespace desktop {
namespace {

constexpr int kFirstLogHeight = 110;  // the log's height before the user chose one
constexpr int kFirstCoverHeight = 240;
// How long a failure's first line stays in the status bar.
constexpr int kFailureMessageMs = 8000;

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

  auto* centre = new QWidget;
  library_hint_ = new LibraryHint;
  connect(library_hint_, &LibraryHint::addMusicRequested, this, [this] { showPreferences(tr("Library")); });
  tabs_ = new PlaylistTabs(player_, player_signals);
  auto* centre_layout = new QVBoxLayout(centre);
  centre_layout->setContentsMargins(0, 0, 0, 0);
  centre_layout->setSpacing(0);
  centre_layout->addWidget(library_hint_);
  centre_layout->addWidget(tabs_, 1);
  setCentralWidget(centre);
  undo_ = new UndoHistory(player_, this);

  log_dock_ = new LogDock(this);
  addDockWidget(Qt::BottomDockWidgetArea, log_dock_);
  connect(log_dock_, &LogDock::failureLogged, this, &MainWindow::showFailure);
  connect(log_dock_, &LogDock::unseenFailuresChanged, this, &MainWindow::markUnseenFailures);

  covers_ = new CoverLoader(library::CoverCache(library::CoverCache::defaultFolder()), this);
  tabs_->setCoverLoader(covers_);
  cover_dock_ = new CoverDock(player_, player_signals, *covers_, this);
  addDockWidget(Qt::LeftDockWidgetArea, cover_dock_);
  connect(covers_, &CoverLoader::coverRefused, this, [this](const QString& location, const QString& reason) {
    log_dock_->appendLine(
        tr("[vostrel] The cover of %1 is left out: %2")
            .arg(QString::fromStdString(library::uriFilePath(location.toStdString()).string()), reason));
  });

  panels_ = new PanelDocks(*this, player_, ui_,
                           [this](const std::string& sql) { console().openWithScript(QString::fromStdString(sql)); });

  tracks_label_ = new QLabel;
  library_label_ = new QLabel;
  playback_label_ = new QLabel;
  failures_button_ = new QToolButton;
  failures_button_->setObjectName(QStringLiteral("failures"));
  failures_button_->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
  failures_button_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  failures_button_->setAutoRaise(true);
  failures_button_->setFocusPolicy(Qt::TabFocus);
  failures_button_->setToolTip(tr("Show the log"));
  failures_button_->hide();
  connect(failures_button_, &QToolButton::clicked, this, &MainWindow::showLog);
  playlist_label_ = new QLabel;
  playlist_label_->setObjectName(QStringLiteral("playlist_summary"));
  statusBar()->addWidget(playback_label_, 1);
  statusBar()->addPermanentWidget(playlist_label_);
  statusBar()->addPermanentWidget(failures_button_);
  statusBar()->addPermanentWidget(library_label_);
  statusBar()->addPermanentWidget(tracks_label_);
  connect(&player_signals, &PlayerSignals::playbackEvent, this, &MainWindow::updateStatus);
  connect(&player_signals, &PlayerSignals::libraryEvent, this, &MainWindow::updateStatus);
  connect(&player_signals, &PlayerSignals::playlistEvent, this, &MainWindow::updateStatus);

  playlist_files_ = new PlaylistFileActions(player_, ui_, player_signals, *this);
  connect(undo_, &UndoHistory::message, this, [this](const QString& text) { statusBar()->showMessage(text, 5000); });

  buildMenus();
  updateStatus();
  // Last: the lines kept until now may mark the menu and the status bar.
  ui_.setConsoleSink([this](const QString& line) { log_dock_->appendLine(line); });
}

MainWindow::~MainWindow() {
  ui_.setConsoleSink({});
  // The docks are deleted by QWidget's destructor, when this is no longer a
  // MainWindow; what they signal then (the log's visibility) must not reach it.
  log_dock_->disconnect();
  // Before the loader it asks, which goes with the window's other children.
  delete cover_dock_;
}

void MainWindow::buildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  QAction* open = file->addAction(tr("&Open library file..."), this, &MainWindow::chooseLibrary);
  open->setShortcut(QKeySequence::Open);
  file->addSeparator();
  playlist_files_->addTo(*file);
  QAction* rename =
      file->addAction(tr("&Rename playlist..."), this, [this] { tabs_->askRename(tabs_->currentIndex()); });
  rename->setShortcut(Qt::Key_F2);
  QAction* close_playlist = file->addAction(tr("&Close playlist"), this, [this] {
    if (tabs_->currentIndex() >= 0) tabs_->closePlaylist(static_cast<std::size_t>(tabs_->currentIndex()));
  });
  close_playlist->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
  file->addSeparator();
  QAction* quit = file->addAction(tr("&Quit"), this, &MainWindow::quitRequested);
  quit->setShortcut(QKeySequence::Quit);

  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  edit->addAction(undo_->undoAction());
  edit->addAction(undo_->redoAction());
  edit->addSeparator();
  // The column headers' sorting, for the keyboard: the shown playlist's
  // columns; choosing the same one again reverses the order.
  QMenu* sort = edit->addMenu(tr("&Sort playlist by"));
  sort->setObjectName(QStringLiteral("sort_menu"));
  connect(sort, &QMenu::aboutToShow, this, [this, sort] {
    sort->clear();
    const int current = tabs_->currentIndex();
    QTableView* table = current >= 0 ? tabs_->view(static_cast<std::size_t>(current)) : nullptr;
    HeaderSorting* sorting = HeaderSorting::of(table);
    if (sorting == nullptr) {
      sort->addAction(tr("No playlist"))->setEnabled(false);
      return;
    }
    // The columns as shown: in the header's order, the hidden ones left out.
    const QHeaderView& header = *table->horizontalHeader();
    for (int visual = 0; visual < header.count(); ++visual) {
      const int c = header.logicalIndex(visual);
      if (header.isSectionHidden(c)) continue;
      const QString name = table->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
      sort->addAction(QString(name).replace('&', QStringLiteral("&&")), sorting, [sorting, c] { sorting->sortBy(c); });
    }
  });
  edit->addSeparator();
  // Ctrl+F goes to the search of the panel that has the focus, else the
  // first panel's.
  QAction* find = edit->addAction(tr("&Find in tree..."), this, [this] {
    for (std::size_t i = 0; i < panels_->count(); ++i) {
      if (panels_->widget(i)->isAncestorOf(QApplication::focusWidget()) && panels_->widget(i)->find()) return;
    }
    if (panels_->count() == 0 || !panels_->widget(0)->find())
      statusBar()->showMessage(tr("No panel to search: View > New Vostrel panel adds one"), 3000);
  });
  find->setShortcut(QKeySequence::Find);

  QMenu* view = menuBar()->addMenu(tr("&View"));
  view->addAction(tr("New Vostrel panel"), this, [this] { panels_->addPanel({}); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
  log_action_ = view->addAction(tr("&Log"));
  log_action_->setCheckable(true);
  log_action_->setChecked(!log_dock_->isHidden());
  connect(log_action_, &QAction::triggered, this, [this] {
    if (log_dock_->inView()) {
      log_dock_->close();
    } else {
      showLog();
    }
    log_action_->setChecked(!log_dock_->isHidden());
  });
  connect(log_dock_, &QDockWidget::visibilityChanged, log_action_,
          [this] { log_action_->setChecked(!log_dock_->isHidden()); });
  view->addAction(cover_dock_->toggleViewAction());
  view->addSeparator();
  view->addAction(tr("&Rescan library"), this, &MainWindow::rescanRequested);
  view->addSeparator();
  view->addAction(tr("Next &area"), this, [this] { focusNextArea(*this, true); })->setShortcut(Qt::Key_F6);
  view->addAction(tr("Pre&vious area"), this, [this] { focusNextArea(*this, false); })
      ->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));

  playback_menu_ = menuBar()->addMenu(tr("&Playback"));

  QMenu* tools = menuBar()->addMenu(tr("&Tools"));
  for (const component::MainMenuCommand& command : registry_.mainMenuCommands()) {
    QAction* action = tools->addAction(QString::fromStdString(command.name));
    action->setStatusTip(QString::fromStdString(command.description));
    action->setEnabled(static_cast<bool>(command.run));
    connect(action, &QAction::triggered, this, [run = command.run] {
      if (run) run();
    });
    if (command.guid == component::guids::kConsoleCommand) {
      action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    }
  }
  if (!tools->actions().isEmpty()) tools->addSeparator();
  tools->addAction(tr("&Preferences..."), this, [this] { showPreferences(); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  QAction* help_page = help->addAction(tr("Vostrel help"), &ui_, &DesktopUi::openHelp);
  help_page->setShortcut(QKeySequence::HelpContents);
  help->addAction(tr("&About Vostrel"), this, &MainWindow::showAbout);
}

QPlainTextEdit& MainWindow::log() { return log_dock_->text(); }

void MainWindow::showLog() {
  log_dock_->show();
  log_dock_->raise();
}

void MainWindow::showFailure(const QString& summary) {
  statusBar()->showMessage(summary, kFailureMessageMs);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // A message shown while the window was hidden (a tree that failed while
  // it loaded) hid the status bar's own widgets only until the window's
  // first show, which shows them under the message: shown again, it hides
  // them, and it lasts its full time from when it can be seen.
  const QString message = statusBar()->currentMessage();
  if (message.isEmpty()) return;
  statusBar()->clearMessage();  // the same message again would be ignored
  statusBar()->showMessage(message, kFailureMessageMs);
}

void MainWindow::markUnseenFailures(int count) {
  const QString text = count == 1 ? tr("1 failure") : tr("%L1 failures").arg(count);
  failures_button_->setText(text);
  failures_button_->setAccessibleName(tr("%1 in the log: show the log").arg(text));
  failures_button_->setVisible(count > 0);
  log_action_->setText(count > 0 ? tr("&Log (%1)").arg(text) : tr("&Log"));
  log_action_->setIcon(count > 0 ? style()->standardIcon(QStyle::SP_MessageBoxWarning) : QIcon());
}

ui::ConsoleWindow& MainWindow::console() {
  if (console_ == nullptr) console_ = new ui::ConsoleWindow(player_, this);
  return *console_;
}

void MainWindow::showPreferences(const QString& page) {
  PreferencesDialog dialog(player_, registry_, [this](const QString& file) { return ui_.openHelpFile(file); }, this);
  connect(&dialog.libraryPage(), &LibraryPage::libraryChanged, this, &MainWindow::librarySettingsChanged);
  if (!page.isEmpty()) dialog.showPage(page);
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
  library_path_ = path;
  updateStatus();
}

void MainWindow::setMusicFolders(std::vector<std::string> folders) {
  music_folders_ = std::move(folders);
  updateStatus();
}

void MainWindow::setScanning(bool scanning) {
  scanning_ = scanning;
  updateStatus();
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
  const QString name = QFileInfo(library_path_).fileName();
  library_label_->setText(scanning_ ? tr("%1 (reading...)").arg(name) : name);
  library_label_->setToolTip(library_path_);
  const std::size_t active = player_.activePlaylist();
  if (active == host::kNoPlaylist || active >= player_.playlistCount()) {
    playlist_label_->clear();
  } else {
    const player::Playlist& playlist = player_.playlists().at(active);
    playlist_label_->setText(playlistSummary(playlist.items, playlist.selected));
  }
  playback_label_->setText(playback_ != nullptr ? playback_->statusText() : tr("Stopped"));
  library_hint_->showFor(tracks, music_folders_, scanning_);
}

profile::Layout MainWindow::layout() {
  profile::Layout layout;
  layout.panels = panels_->settingsRecords();
  panels_->nameDocks();
  layout.geometry = fromBytes(saveGeometry());
  layout.window_state = fromBytes(packWindowState(saveState(), dockSizes(*this)));
  layout.playlist_columns = tabs_->columnLayout();
  return layout;
}

void MainWindow::restoreLayout(const profile::Layout& layout) {
  tabs_->setColumnLayout(layout.playlist_columns);
  for (const std::vector<uint8_t>& record : layout.panels) panels_->addPanel(record);
  if (layout.panels.empty()) panels_->addPanel({});
  if (!layout.geometry.empty()) restoreGeometry(toBytes(layout.geometry));
  if (!layout.window_state.empty()) {
    const WindowState state = unpackWindowState(toBytes(layout.window_state));
    restoreState(state.qt_state);
    applyDockSizes(*this, state.dock_sizes);
  } else {
    // A first start: the log waits in the View menu (failures are shown in
    // the status bar) and has its height ready when it is opened.
    resizeDocks({log_dock_}, {kFirstLogHeight}, Qt::Vertical);
    log_dock_->hide();
    // The cover sits under the first panel, square to the panel's width.
    if (panels_->count() > 0) {
      splitDockWidget(panels_->dock(0), cover_dock_, Qt::Vertical);
      resizeDocks({panels_->dock(0), cover_dock_}, {height() - kFirstCoverHeight, kFirstCoverHeight}, Qt::Vertical);
    }
  }
  log_action_->setChecked(!log_dock_->isHidden());
}

bool MainWindow::loadLibraryFile(const QString& path) {
  try {
    player_.replaceLibrary(library::loadLibraryFile(path.toStdString()));
  } catch (const profile::DataError& e) {
    ui_.show_message(QString::fromUtf8(e.what()), QStringLiteral("Vostrel"), true);
    return false;
  }
  setLibraryPath(path);
  return true;
}

bool MainWindow::openLibrary(const QString& path) {
  if (!loadLibraryFile(path)) return false;
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
