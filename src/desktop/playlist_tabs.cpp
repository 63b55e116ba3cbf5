#include "desktop/playlist_tabs.h"

#include <algorithm>
#include <memory>

#include <QAction>
#include <QDropEvent>
#include <QEvent>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "desktop/player_signals.h"
#include "desktop/playlist_model.h"
#include "player/playlist_file.h"

namespace desktop {
namespace {

// Tab texts show "&" as itself, not as a mnemonic marker.
QString tabLabel(const std::string& name) { return QString::fromStdString(name).replace('&', QStringLiteral("&&")); }

class SyncGuard {
 public:
  explicit SyncGuard(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~SyncGuard() { flag_ = old_; }

 private:
  bool& flag_;
  bool old_;
};

}  // namespace

PlaylistTabs::PlaylistTabs(player::Player& player, PlayerSignals& player_signals, QWidget* parent)
    : QTabWidget(parent), player_(player), drop_(player) {
  setObjectName(QStringLiteral("playlists"));
  setMovable(true);
  setTabsClosable(true);
  setDocumentMode(true);
  columns_ = defaultColumnLayout();
  // A window being dragged larger sends many sizes: fit once it rests.
  refit_ = new QTimer(this);
  refit_->setSingleShot(true);
  refit_->setInterval(100);
  connect(refit_, &QTimer::timeout, this, &PlaylistTabs::refitAfterResize);
  drop_.setPlaylistFileReader(
      [this](const std::filesystem::path& file) { return player::readPlaylistFileTracks(player_, file); });
  add_ = new QToolButton(this);
  add_->setObjectName(QStringLiteral("new_playlist"));
  add_->setText(QStringLiteral("+"));
  add_->setToolTip(tr("New playlist (drop here for a playlist of what you drag)"));
  add_->setAccessibleName(tr("New playlist"));
  add_->setAutoRaise(true);
  add_->setAcceptDrops(true);
  add_->installEventFilter(this);
  setCornerWidget(add_, Qt::TopRightCorner);
  connect(add_, &QToolButton::clicked, this, &PlaylistTabs::newPlaylist);
  tabBar()->setAcceptDrops(true);
  tabBar()->installEventFilter(this);

  for (std::size_t p = 0; p < player_.playlistCount(); ++p) addTab(p);
  if (player_.activePlaylist() != host::kNoPlaylist) setCurrentIndex(static_cast<int>(player_.activePlaylist()));
  updateIcons();
  // Once the window is laid out: the views show their tops, the playing
  // playlist its playing item.
  QMetaObject::invokeMethod(this, &PlaylistTabs::showStartPosition, Qt::QueuedConnection);

  connect(this, &QTabWidget::currentChanged, this, [this](int index) {
    if (syncing_ || index < 0) return;
    SyncGuard guard(syncing_);
    player_.setActivePlaylist(static_cast<std::size_t>(index));
    takeFocus(static_cast<std::size_t>(index));
  });
  connect(tabBar(), &QTabBar::tabMoved, this, [this](int from, int to) {
    QTableView* view = views_[static_cast<std::size_t>(from)];
    views_.erase(views_.begin() + from);
    views_.insert(views_.begin() + to, view);
    renumber();
    if (syncing_) return;
    SyncGuard guard(syncing_);
    SyncGuard moving(moving_tab_);
    player_.movePlaylist(static_cast<std::size_t>(from), static_cast<std::size_t>(to));
  });
  connect(this, &QTabWidget::tabCloseRequested, this,
          [this](int index) { closePlaylist(static_cast<std::size_t>(index)); });
  connect(tabBar(), &QTabBar::tabBarDoubleClicked, this, [this](int index) {
    if (index < 0) {
      newPlaylist();
    } else {
      askRename(index);
    }
  });
  tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(tabBar(), &QWidget::customContextMenuRequested, this, &PlaylistTabs::showTabMenu);
  connect(&player_signals, &PlayerSignals::playlistEvent, this, &PlaylistTabs::playlistEvent);
  connect(&player_signals, &PlayerSignals::playbackEvent, this, &PlaylistTabs::playbackChanged);
}

QTableView* PlaylistTabs::view(std::size_t playlist) const {
  return playlist < views_.size() ? views_[playlist] : nullptr;
}

PlaylistModel* PlaylistTabs::model(std::size_t playlist) const {
  QTableView* table = view(playlist);
  return table != nullptr ? static_cast<PlaylistModel*>(table->model()) : nullptr;
}

void PlaylistTabs::addTab(std::size_t playlist) {
  auto* table = new QTableView;
  auto* model = new PlaylistModel(player_, playlist, shownColumns(), table);
  table->setModel(model);
  table->setObjectName(QStringLiteral("playlist_view"));
  table->setAccessibleName(tr("Playlist"));
  // Tab leaves the playlist for the next part of the window rather than
  // stepping from cell to cell.
  table->setTabKeyNavigation(false);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  model->setDrop(&drop_);
  table->setDragDropMode(QAbstractItemView::DragDrop);
  table->setDragEnabled(true);
  table->setAcceptDrops(true);
  table->setDropIndicatorShown(true);
  table->setDefaultDropAction(Qt::MoveAction);
  table->setShowGrid(false);
  table->setAlternatingRowColors(true);
  table->setWordWrap(false);
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
  setUpHeader(*table);
  table->setContextMenuPolicy(Qt::CustomContextMenu);
  table->installEventFilter(this);
  connect(table, &QTableView::doubleClicked, this, [this, model](const QModelIndex& index) {
    if (index.isValid()) player_.playItem(model->playlist(), static_cast<std::size_t>(index.row()));
  });
  connect(table, &QWidget::customContextMenuRequested, this,
          [this, model](const QPoint& position) { showItemMenu(model->playlist(), position); });
  connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, model] {
    if (!syncing_) takeSelection(model->playlist());
  });
  connect(table->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this, model] { takeFocus(model->playlist()); });

  views_.insert(views_.begin() + static_cast<std::ptrdiff_t>(playlist), table);
  {
    SyncGuard guard(syncing_);
    insertTab(static_cast<int>(playlist), table, tabLabel(player_.playlistName(playlist)));
  }
  renumber();
  showSelection(playlist);
}

void PlaylistTabs::renumber() {
  for (std::size_t p = 0; p < views_.size(); ++p) static_cast<PlaylistModel*>(views_[p]->model())->setPlaylist(p);
}

void PlaylistTabs::updateIcons() {
  const QIcon play = style()->standardIcon(QStyle::SP_MediaPlay);
  for (int i = 0; i < count(); ++i) {
    setTabIcon(i, static_cast<std::size_t>(i) == player_.playingPlaylist() ? play : QIcon());
  }
}

void PlaylistTabs::playlistEvent(const player::PlaylistChange& change) {
  using host::PlaylistEvent;
  const std::size_t p = change.playlist;
  // What the tabs and views do here in reply is not a user's change.
  SyncGuard guard(syncing_);
  switch (change.event) {
    case PlaylistEvent::kPlaylistCreated:
      addTab(p);
      break;
    case PlaylistEvent::kPlaylistsRemoved: {
      QTableView* table = views_[p];
      views_.erase(views_.begin() + static_cast<std::ptrdiff_t>(p));
      renumber();
      removeTab(static_cast<int>(p));
      delete table;
      // The tab that became current becomes the active playlist, once the
      // player has told everyone of the removal.
      QMetaObject::invokeMethod(this, &PlaylistTabs::activateCurrent, Qt::QueuedConnection);
      break;
    }
    case PlaylistEvent::kPlaylistsReordered:
      if (!moving_tab_) tabBar()->moveTab(static_cast<int>(change.first), static_cast<int>(p));
      break;
    case PlaylistEvent::kPlaylistRenamed:
      setTabText(static_cast<int>(p), tabLabel(player_.playlistName(p)));
      break;
    case PlaylistEvent::kPlaylistActivated:
      if (p != host::kNoPlaylist) setCurrentIndex(static_cast<int>(p));
      break;
    case PlaylistEvent::kItemsAdded:
      model(p)->notifyInserted(change.first, change.count);
      showSelection(p);
      break;
    case PlaylistEvent::kItemsRemoved:
      model(p)->notifyRemoved(change.first, change.count);
      break;
    case PlaylistEvent::kItemsReordered:
    case PlaylistEvent::kItemsReplaced:
      model(p)->notifyReset();
      showSelection(p);
      break;
    case PlaylistEvent::kItemsSelectionChanged:
      if (!taking_selection_) showSelection(p);
      break;
    default:
      break;
  }
  updateIcons();
}

void PlaylistTabs::playbackChanged() {
  updateIcons();
  for (QTableView* table : views_) static_cast<PlaylistModel*>(table->model())->notifyPlayback();
}

void PlaylistTabs::showSelection(std::size_t playlist) {
  // REQUIRES: syncing_ (the view's change is not the user's).
  QTableView* table = view(playlist);
  if (table == nullptr) return;
  const std::vector<bool>& flags = player_.playlists().at(playlist).selected;
  QItemSelection selection;
  const int last_column = std::max(0, table->model()->columnCount() - 1);
  for (std::size_t i = 0; i < flags.size();) {
    if (!flags[i]) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end + 1 < flags.size() && flags[end + 1]) ++end;
    selection.select(table->model()->index(static_cast<int>(i), 0),
                     table->model()->index(static_cast<int>(end), last_column));
    i = end + 1;
  }
  SyncGuard guard(syncing_);
  table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void PlaylistTabs::takeFocus(std::size_t playlist) {
  QTableView* table = view(playlist);
  if (table == nullptr) return;
  const QModelIndex current = table->selectionModel()->currentIndex();
  player_.setFocus(playlist, current.isValid() ? static_cast<std::size_t>(current.row()) : player::Player::kNoItem);
}

void PlaylistTabs::takeSelection(std::size_t playlist) {
  QTableView* table = view(playlist);
  std::vector<bool> flags(player_.playlistItemCount(playlist), false);
  for (const QItemSelectionRange& range : table->selectionModel()->selection()) {
    for (int row = range.top(); row <= range.bottom(); ++row) {
      if (row >= 0 && static_cast<std::size_t>(row) < flags.size()) flags[static_cast<std::size_t>(row)] = true;
    }
  }
  SyncGuard guard(taking_selection_);
  player_.setSelection(playlist, std::move(flags));
}

void PlaylistTabs::activateCurrent() {
  const int index = currentIndex();
  if (index >= 0 && static_cast<std::size_t>(index) != player_.activePlaylist()) {
    player_.setActivePlaylist(static_cast<std::size_t>(index));
  }
}

void PlaylistTabs::newPlaylist() {
  // "New playlist", "New playlist (2)", ...: a name no playlist has yet.
  QString name = tr("New playlist");
  for (int n = 2;; ++n) {
    bool taken = false;
    for (std::size_t p = 0; p < player_.playlistCount() && !taken; ++p) {
      taken = QString::fromStdString(player_.playlistName(p)) == name;
    }
    if (!taken) break;
    name = tr("New playlist (%1)").arg(n);
  }
  const std::size_t index = player_.createPlaylist(name.toStdString());
  player_.setActivePlaylist(index);
}

void PlaylistTabs::renamePlaylist(std::size_t playlist, const QString& name) {
  const QString trimmed = name.trimmed();
  if (trimmed.isEmpty() || playlist >= player_.playlistCount()) return;
  player_.renamePlaylist(playlist, trimmed.toStdString());
}

void PlaylistTabs::closePlaylist(std::size_t playlist) {
  if (playlist < player_.playlistCount()) player_.removePlaylist(playlist);
}

void PlaylistTabs::removeSelectedItems() {
  const int index = currentIndex();
  if (index < 0) return;
  const std::size_t playlist = static_cast<std::size_t>(index);
  const std::vector<bool>& flags = player_.playlists().at(playlist).selected;
  std::vector<std::size_t> items;
  for (std::size_t i = 0; i < flags.size(); ++i) {
    if (flags[i]) items.push_back(i);
  }
  if (!items.empty()) player_.removeItems(playlist, std::move(items));
}

void PlaylistTabs::askRename(int index) {
  if (index < 0 || index >= count()) return;
  const std::size_t playlist = static_cast<std::size_t>(index);
  bool ok = false;
  const QString name = QInputDialog::getText(this, tr("Rename playlist"), tr("Name:"), QLineEdit::Normal,
                                             QString::fromStdString(player_.playlistName(playlist)), &ok);
  if (ok) renamePlaylist(playlist, name);
}

bool PlaylistTabs::tabDragEvent(QObject* watched, QEvent* event) {
  const bool on_tabs = watched == tabBar();
  if (!on_tabs && watched != add_) return false;
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      const bool ok = drag->mimeData() != nullptr && canDropOnPlaylist(*drag->mimeData()) &&
                      (!on_tabs || tabBar()->tabAt(drag->position().toPoint()) >= 0);
      if (ok) {
        drag->acceptProposedAction();
      } else {
        drag->ignore();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (drop->mimeData() == nullptr) return true;
      const Qt::DropAction action = drop->dropAction();
      if (on_tabs) {
        const int index = tabBar()->tabAt(drop->position().toPoint());
        if (index < 0) return true;
        const std::size_t playlist = static_cast<std::size_t>(index);
        drop_.drop(*drop->mimeData(), action, playlist, player_.playlistItemCount(playlist));
      } else {
        drop_.dropOnNewPlaylist(*drop->mimeData(), action);
      }
      // Ignored, so that the source of a move does not remove what the
      // player has already moved.
      drop->setDropAction(Qt::IgnoreAction);
      drop->ignore();
      return true;
    }
    default:
      return false;
  }
}

bool PlaylistTabs::eventFilter(QObject* watched, QEvent* event) {
  if (tabDragEvent(watched, event)) return true;
  auto* table = qobject_cast<QTableView*>(watched);
  if (event->type() == QEvent::Show && table != nullptr && start_pending_) {
    start_pending_ = false;
    QMetaObject::invokeMethod(this, &PlaylistTabs::showStartPosition, Qt::QueuedConnection);
  }
  if (event->type() == QEvent::Resize && table != nullptr && fitted_ && table == currentWidget()) refit_->start();
  if (event->type() != QEvent::KeyPress || table == nullptr) return QTabWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Delete) {
    removeSelectedItems();
    return true;
  }
  const auto* model = static_cast<PlaylistModel*>(table->model());
  if (key->matches(QKeySequence::Copy)) {
    copySelection(model->playlist());
    return true;
  }
  // Ctrl+Home and Ctrl+End select the first or last row, as Home and End
  // do, rather than only moving the current cell (with Shift they extend
  // the selection as usual).
  if ((key->key() == Qt::Key_Home || key->key() == Qt::Key_End) && key->modifiers() == Qt::ControlModifier) {
    const int rows = model->rowCount();
    if (rows == 0) return true;
    const QModelIndex target = model->index(key->key() == Qt::Key_Home ? 0 : rows - 1, 0);
    table->selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    table->scrollTo(target);
    return true;
  }
  return QTabWidget::eventFilter(watched, event);
}

void PlaylistTabs::showStartPosition() {
  // Before the window is on screen the views know neither their room nor
  // their rows' places: wait for the first table to be shown.
  if (currentWidget() != nullptr && !currentWidget()->isVisible()) {
    start_pending_ = true;
    return;
  }
  start_pending_ = false;
  // Columns never sized fit the first table on screen.
  std::size_t unsized = 0;
  for (const profile::PlaylistColumnLayout& entry : columns_) unsized += entry.visible && entry.width == 0;
  if (auto* current = qobject_cast<QTableView*>(currentWidget()); current != nullptr && unsized > 1) {
    fitTable(*current, true);
  }
  for (std::size_t p = 0; p < views_.size(); ++p) {
    QTableView* table = views_[p];
    const std::size_t playing = player_.playingItem();
    if (p == player_.playingPlaylist() && playing != player::Player::kNoItem &&
        playing < static_cast<std::size_t>(table->model()->rowCount())) {
      table->scrollTo(table->model()->index(static_cast<int>(playing), 0), QAbstractItemView::PositionAtCenter);
    } else {
      table->scrollToTop();
    }
  }
}

void PlaylistTabs::showTabMenu(const QPoint& position) {
  const int index = tabBar()->tabAt(position);
  QMenu menu(this);
  menu.addAction(tr("New playlist"), this, &PlaylistTabs::newPlaylist);
  if (index >= 0) {
    menu.addAction(tr("Rename playlist..."), this, [this, index] { askRename(index); });
    menu.addAction(tr("Close playlist"), this, [this, index] { closePlaylist(static_cast<std::size_t>(index)); });
  }
  menu.exec(tabBar()->mapToGlobal(position));
}

void PlaylistTabs::showItemMenu(std::size_t playlist, const QPoint& position) {
  QTableView* table = view(playlist);
  const QModelIndex index = table->indexAt(position);
  std::unique_ptr<QMenu> menu(itemMenu(playlist, index.isValid() ? index.row() : -1));
  menu->exec(table->viewport()->mapToGlobal(position));
}

}  // namespace desktop
