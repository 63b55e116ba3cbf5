#include "desktop/playlist_model.h"

#include <algorithm>

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QMimeData>
#include <QStyle>

#include "desktop/playlist_drop.h"
#include "host/multi_value.h"
#include "ui/node_drag.h"

namespace desktop {

PlaylistModel::PlaylistModel(player::Player& player, std::size_t playlist, std::vector<PlaylistColumn> columns,
                             QObject* parent)
    : QAbstractTableModel(parent), player_(player), playlist_(playlist), columns_(std::move(columns)) {
  compileColumns();
  items_ = player_.playlists().at(playlist_).items;
}

void PlaylistModel::compileColumns() {
  scripts_.clear();
  fields_.clear();
  for (const PlaylistColumn& column : columns_) {
    scripts_.push_back(column.expression.empty() ? nullptr : player_.compileTitleFormat(column.expression, nullptr));
    fields_.push_back(column.field.empty() ? host::kNoField : host::findField(column.field));
  }
}

void PlaylistModel::setColumns(std::vector<PlaylistColumn> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  compileColumns();
  endResetModel();
}

int PlaylistModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

int PlaylistModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QString PlaylistModel::text(int row, int column) const {
  if (row < 0 || static_cast<std::size_t>(row) >= items_.size() || column < 0 ||
      static_cast<std::size_t>(column) >= columns_.size()) {
    return {};
  }
  const host::Track& track = *items_[static_cast<std::size_t>(row)];
  const std::size_t c = static_cast<std::size_t>(column);
  std::string text;
  if (fields_[c] != host::kNoField) {
    host::FieldPtr field = track.findMeta(fields_[c]);
    if (field == nullptr) field = track.findTech(fields_[c]);
    if (field != nullptr) host::appendJoined(text, field->values());
  } else if (scripts_[c] != nullptr) {
    player_.formatTitle(track, *scripts_[c], text);
  } else if (columns_[c].expression.empty()) {
    return QString::number(row + 1);
  }
  return QString::fromStdString(text);
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= items_.size()) return {};
  const std::size_t row = static_cast<std::size_t>(index.row());
  const host::Track& track = *items_[row];
  const bool playing = player_.playingPlaylist() == playlist_ && player_.playingItem() == row;
  switch (role) {
    case Qt::DisplayRole:
      return text(index.row(), index.column());
    case Qt::ToolTipRole:
      return QString::fromUtf8(track.path().data(), static_cast<qsizetype>(track.path().size()));
    case Qt::FontRole:
      if (playing) {
        QFont font;
        font.setBold(true);
        return font;
      }
      return {};
    case Qt::DecorationRole:
      if (playing && index.column() == 0) return QApplication::style()->standardIcon(QStyle::SP_MediaPlay);
      return {};
    case Qt::TextAlignmentRole:
      if (columns_[static_cast<std::size_t>(index.column())].right_aligned) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      }
      return {};
    default:
      return {};
  }
}

QVariant PlaylistModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || static_cast<std::size_t>(section) >= columns_.size()) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  const PlaylistColumn& column = columns_[static_cast<std::size_t>(section)];
  if (role == Qt::DisplayRole) return QString::fromStdString(column.title);
  if (role == Qt::ToolTipRole && column.id == kCustomColumnId) return QString::fromStdString(column.expression);
  return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList PlaylistModel::mimeTypes() const {
  return {QString::fromLatin1(kRowsMimeType), QString::fromLatin1(ui::kNodeMimeType), QStringLiteral("text/uri-list")};
}

QMimeData* PlaylistModel::mimeData(const QModelIndexList& indexes) const {
  std::vector<std::size_t> rows;
  for (const QModelIndex& index : indexes) {
    if (index.isValid()) rows.push_back(static_cast<std::size_t>(index.row()));
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rowsMimeData(player_, playlist_, rows);
}

bool PlaylistModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int, const QModelIndex& parent) {
  if (data == nullptr || drop_ == nullptr || (action != Qt::MoveAction && action != Qt::CopyAction)) return false;
  // Dropped on an item: before it; dropped past the last: at the end.
  const std::size_t before = row >= 0             ? static_cast<std::size_t>(row)
                             : parent.isValid() ? static_cast<std::size_t>(parent.row())
                                                : items_.size();
  drop_->drop(*data, action, playlist_, before);
  return false;
}

void PlaylistModel::notifyInserted(std::size_t first, std::size_t count) {
  const host::TrackList& items = player_.playlists().at(playlist_).items;
  if (count == 0 || first > items_.size() || first + count > items.size()) return notifyReset();
  beginInsertRows({}, static_cast<int>(first), static_cast<int>(first + count - 1));
  const auto from = items.begin() + static_cast<std::ptrdiff_t>(first);
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(first), from, from + static_cast<std::ptrdiff_t>(count));
  endInsertRows();
}

void PlaylistModel::notifyRemoved(std::size_t first, std::size_t count) {
  if (count == 0 || first + count > items_.size()) return notifyReset();
  beginRemoveRows({}, static_cast<int>(first), static_cast<int>(first + count - 1));
  const auto from = items_.begin() + static_cast<std::ptrdiff_t>(first);
  items_.erase(from, from + static_cast<std::ptrdiff_t>(count));
  endRemoveRows();
}

void PlaylistModel::notifyReset() {
  beginResetModel();
  items_ = player_.playlists().at(playlist_).items;
  endResetModel();
}

void PlaylistModel::notifyPlayback() {
  const int rows = static_cast<int>(items_.size());
  const int columns = columnCount();
  if (rows > 0 && columns > 0) {
    emit dataChanged(index(0, 0), index(rows - 1, columns - 1), {Qt::FontRole, Qt::DecorationRole});
  }
}

}  // namespace desktop
