#include "desktop/playlist_model.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QMimeData>
#include <QStyle>

namespace desktop {
namespace {

constexpr int kLengthColumn = 4;

}  // namespace

const std::array<const char*, PlaylistModel::kColumnCount>& PlaylistModel::headers() {
  static const std::array<const char*, kColumnCount> texts = {"#", "Artist", "Title", "Album", "Length"};
  return texts;
}

const std::array<const char*, PlaylistModel::kColumnCount>& PlaylistModel::expressions() {
  static const std::array<const char*, kColumnCount> texts = {"%tracknumber%", "%artist%", "%title%", "%album%",
                                                              "%length%"};
  return texts;
}

PlaylistModel::PlaylistModel(player::Player& player, std::size_t playlist, QObject* parent)
    : QAbstractTableModel(parent), player_(player), playlist_(playlist) {
  for (int c = 0; c < kColumnCount; ++c) scripts_[c] = player_.compileTitleFormat(expressions()[c], nullptr);
  items_ = player_.playlists().at(playlist_).items;
}

int PlaylistModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

int PlaylistModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant PlaylistModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= items_.size()) return {};
  const std::size_t row = static_cast<std::size_t>(index.row());
  const host::Track& track = *items_[row];
  const bool playing = player_.playingPlaylist() == playlist_ && player_.playingItem() == row;
  switch (role) {
    case Qt::DisplayRole: {
      const host::TitleFormatScriptPtr& script = scripts_[static_cast<std::size_t>(index.column())];
      std::string text;
      if (script != nullptr) player_.formatTitle(track, *script, text);
      return QString::fromStdString(text);
    }
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
      if (index.column() == 0 || index.column() == kLengthColumn) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      }
      return {};
    default:
      return {};
  }
}

QVariant PlaylistModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  return QString::fromUtf8(headers()[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

QStringList PlaylistModel::mimeTypes() const { return {QString::fromLatin1(kRowsMimeType)}; }

QMimeData* PlaylistModel::mimeData(const QModelIndexList& indexes) const {
  QList<int> rows;
  for (const QModelIndex& index : indexes) {
    if (index.isValid() && !rows.contains(index.row())) rows.push_back(index.row());
  }
  QStringList texts;
  for (int row : rows) texts.push_back(QString::number(row));
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(kRowsMimeType), texts.join(',').toLatin1());
  return data;
}

bool PlaylistModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int, const QModelIndex& parent) {
  if (action != Qt::MoveAction || data == nullptr || !data->hasFormat(QString::fromLatin1(kRowsMimeType))) {
    return false;
  }
  // Dropped on an item: before it; dropped past the last: at the end.
  std::size_t before = row >= 0 ? static_cast<std::size_t>(row)
                                : parent.isValid() ? static_cast<std::size_t>(parent.row())
                                                   : items_.size();
  std::vector<std::size_t> items;
  for (const QByteArray& text : data->data(QString::fromLatin1(kRowsMimeType)).split(',')) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || static_cast<std::size_t>(value) >= items_.size()) return false;
    items.push_back(static_cast<std::size_t>(value));
  }
  if (items.empty()) return false;
  player_.moveItems(playlist_, std::move(items), before);
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
  if (rows > 0) emit dataChanged(index(0, 0), index(rows - 1, kColumnCount - 1), {Qt::FontRole, Qt::DecorationRole});
}

}  // namespace desktop
