#include "ui/icon_list.h"

#include <algorithm>

#include <QImage>

namespace ui {

IconList& IconList::instance() {
  static IconList list;
  return list;
}

std::size_t IconList::load(const QString& builtinStrip, std::string_view iconFilePaths) {
  icons_.clear();
  addStrip(builtinStrip);
  std::size_t start = 0;
  while (start <= iconFilePaths.size()) {
    std::size_t bar = iconFilePaths.find('|', start);
    if (bar == std::string_view::npos) bar = iconFilePaths.size();
    const std::string_view path = iconFilePaths.substr(start, bar - start);
    if (!path.empty()) addStrip(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
    start = bar + 1;
  }
  return icons_.size();
}

std::size_t IconList::addStrip(const QString& path) {
  QImage strip;
  if (path.isEmpty() || !strip.load(path)) return 0;
  strip = strip.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const int count = strip.width() / kIconSize;
  for (int i = 0; i < count; ++i) {
    QImage cell(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    cell.fill(Qt::transparent);
    // A strip lower than 16 pixels keeps its top rows; a higher one is cut.
    for (int y = 0; y < std::min(kIconSize, strip.height()); ++y) {
      const auto* from = reinterpret_cast<const QRgb*>(strip.constScanLine(y)) + i * kIconSize;
      std::copy(from, from + kIconSize, reinterpret_cast<QRgb*>(cell.scanLine(y)));
    }
    icons_.push_back(std::move(cell));
  }
  return static_cast<std::size_t>(count);
}

const QImage& IconList::icon(std::size_t index) const { return index < icons_.size() ? icons_[index] : none_; }

}  // namespace ui
