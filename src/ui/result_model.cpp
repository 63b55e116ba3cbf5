#include "ui/result_model.h"

#include <algorithm>
#include <numeric>

#include "db/natural_compare.h"

namespace ui {
namespace {

const QString kNumberTitle = QStringLiteral("#");
const QString kNoRowsTitle = QStringLiteral("No rows");

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

void ResultModel::reset(std::vector<std::string> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  text_.clear();
  starts_.assign(1, 0);
  stored_rows_ = 0;
  published_rows_ = 0;
  order_.clear();
  endResetModel();
}

void ResultModel::beginResult(const std::vector<std::string>& columns) { reset(columns); }

void ResultModel::clearResult() { reset({}); }

void ResultModel::addRow(uint64_t, const db::SQLiteColumns&, const std::vector<std::string>& cells) {
  for (const std::string& cell : cells) {
    text_ += cell;
    starts_.push_back(text_.size());
  }
  ++stored_rows_;
}

void ResultModel::publish() {
  if (published_rows_ == stored_rows_) return;
  beginInsertRows({}, static_cast<int>(published_rows_), static_cast<int>(stored_rows_ - 1));
  if (!order_.empty()) {
    // Rows added after a sort come after the sorted ones.
    for (std::size_t r = published_rows_; r < stored_rows_; ++r) order_.push_back(static_cast<uint32_t>(r));
  }
  published_rows_ = stored_rows_;
  endInsertRows();
}

std::string_view ResultModel::cell(std::size_t source_row, std::size_t column) const {
  const std::size_t i = source_row * columns_.size() + column;
  return std::string_view(text_).substr(starts_[i], starts_[i + 1] - starts_[i]);
}

int ResultModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(published_rows_);
}

int ResultModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size()) + 1;
}

QString ResultModel::cellText(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount() || noRows()) return {};
  const std::size_t source = sourceRow(row);
  if (column == 0) return QString::number(source + 1);
  return fromView(cell(source, static_cast<std::size_t>(column - 1)));
}

QString ResultModel::rowText(int row) const {
  QString text;
  for (int c = 0; c < columnCount(); ++c) {
    if (c > 0) text += QLatin1Char(',');
    text += cellText(row, c);
  }
  return text;
}

QString ResultModel::allRowsText() const {
  QString text;
  for (int r = 0; r < rowCount(); ++r) {
    if (r > 0) text += QStringLiteral("\r\n");
    text += rowText(r);
  }
  return text;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
  return cellText(index.row(), index.column());
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::InitialSortOrderRole) return static_cast<int>(Qt::AscendingOrder);
  if (role != Qt::DisplayRole) return {};
  if (noRows()) return section == 0 ? kNoRowsTitle : QVariant();
  if (section == 0) return kNumberTitle;
  if (section < 1 || section > static_cast<int>(columns_.size())) return {};
  return fromView(columns_[static_cast<std::size_t>(section - 1)]);
}

void ResultModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= columnCount() || noRows()) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<uint32_t> previous = order_;
  if (order_.empty()) {
    order_.resize(published_rows_);
    std::iota(order_.begin(), order_.end(), 0u);
  }
  if (column == 0) {
    // The numbers are the stored order.
    std::sort(order_.begin(), order_.end());
    if (order == Qt::DescendingOrder) std::reverse(order_.begin(), order_.end());
  } else {
    const auto c = static_cast<std::size_t>(column - 1);
    std::stable_sort(order_.begin(), order_.end(), [&](uint32_t a, uint32_t b) {
      const int result = db::naturalCompare(cell(a, c), cell(b, c));
      return order == Qt::AscendingOrder ? result < 0 : result > 0;
    });
  }
  // Keep the selection on the same rows.
  if (!before.isEmpty()) {
    std::vector<int> view_row(published_rows_);
    for (std::size_t r = 0; r < order_.size(); ++r) view_row[order_[r]] = static_cast<int>(r);
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
      const std::size_t source = previous.empty() ? static_cast<std::size_t>(index.row()) : previous[index.row()];
      after.append(this->index(view_row[source], index.column()));
    }
    changePersistentIndexList(before, after);
  }
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace ui
