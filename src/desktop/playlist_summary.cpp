#include "desktop/playlist_summary.h"

#include <cmath>

#include <QCoreApplication>

#include "host/track.h"

namespace desktop {
namespace {

QString countText(std::size_t count, const QLocale& locale) {
  const QString number = locale.toString(static_cast<qulonglong>(count));
  return count == 1 ? QCoreApplication::translate("PlaylistSummary", "%1 track").arg(number)
                    : QCoreApplication::translate("PlaylistSummary", "%1 tracks").arg(number);
}

}  // namespace

QString formatTotalLength(double seconds) {
  const long long whole = std::isfinite(seconds) && seconds > 0 ? std::llround(seconds) : 0;
  const long long hours = whole / 3600;
  const long long minutes = whole / 60 % 60;
  const long long rest = whole % 60;
  if (hours == 0) return QStringLiteral("%1:%2").arg(minutes).arg(rest, 2, 10, QLatin1Char('0'));
  return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, QLatin1Char('0')).arg(rest, 2, 10, QLatin1Char('0'));
}

QString playlistSummary(const host::TrackList& items, const std::vector<bool>& selected, const QLocale& locale) {
  double total = 0;
  double chosen = 0;
  std::size_t chosen_count = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const double length = std::max(items[i]->length(), 0.0);
    total += length;
    if (i < selected.size() && selected[i]) {
      chosen += length;
      ++chosen_count;
    }
  }
  QString text = countText(items.size(), locale) + QStringLiteral(", ") + formatTotalLength(total);
  if (chosen_count > 1) {
    text += QCoreApplication::translate("PlaylistSummary", " \u00b7 %1 selected, %2")
                .arg(locale.toString(static_cast<qulonglong>(chosen_count)), formatTotalLength(chosen));
  }
  return text;
}

}  // namespace desktop
