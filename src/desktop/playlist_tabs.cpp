#include "desktop/playlist_tabs.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelection>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>

#include "desktop/player_signals.h"
#include "desktop/playlist_model.h"
#include "desktop/playlist_sorting.h"

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
    : QTabWidget(parent), player_(player) {
  setObjectName(QStringLiteral("playlists"));
  setMovable(true);
  setTabsClosable(true);
  setDocumentMode(true);
  auto* add = new QToolButton(this);
  add->setText(QStringLiteral("+"));
  add->setToolTip(tr("New playlist"));
  add->setAutoRaise(true);
  setCornerWidget(add, Qt::TopRightCorner);
  connect(add, &QToolButton::clicked, this, &PlaylistTabs::newPlaylist);

  for (std::size_t p = 0; p < player_.playlistCount(); ++p) addTab(p);
  if (player_.activePlaylist() != host::kNoPlaylist) setCurrentIndex(static_cast<int>(player_.activePlaylist()));
  updateIcons();

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
  auto* model = new PlaylistModel(player_, playlist, table);
  table->setModel(model);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table->setDragDropMode(QAbstractItemView::InternalMove);
  table->setDragEnabled(true);
  table->setAcceptDrops(true);
  table->setDropIndicatorShown(true);
  table->setDefaultDropAction(Qt::MoveAction);
  table->setShowGrid(false);
  table->setAlternatingRowColors(true);
  table->setWordWrap(false);
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
  table->horizontalHeader()->setHighlightSections(false);
  table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  const int widths[PlaylistModel::kColumnCount] = {58, 190, 0, 210, 64};
  for (int c = 0; c < PlaylistModel::kColumnCount; ++c) {
    if (widths[c] > 0) table->setColumnWidth(c, widths[c]);
  }
  table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
  new HeaderSorting(player_, *table);
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
  const int last_column = PlaylistModel::kColumnCount - 1;
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

bool PlaylistTabs::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete &&
      qobject_cast<QTableView*>(watched) != nullptr) {
    removeSelectedItems();
    return true;
  }
  return QTabWidget::eventFilter(watched, event);
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
  QMenu menu(this);
  QAction* play = menu.addAction(tr("Play"), this, [this, playlist, index] {
    player_.playItem(playlist, static_cast<std::size_t>(index.row()));
  });
  play->setEnabled(index.isValid());
  QAction* remove = menu.addAction(tr("Remove"), this, &PlaylistTabs::removeSelectedItems);
  remove->setEnabled(table->selectionModel()->hasSelection());
  menu.exec(table->viewport()->mapToGlobal(position));
}

}  // namespace desktop
