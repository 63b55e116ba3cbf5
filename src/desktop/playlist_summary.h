// The status bar's words about the active playlist: its item count and
// total length, and the selection's when more than one item is selected.
//
//   "1,200 tracks, 81:24:05"
//   "1,200 tracks, 81:24:05 · 3 selected, 10:21"
//
// Counts are grouped as the locale groups digits; lengths are "m:ss" below
// an hour and "h:mm:ss" from there on, hours unbounded.
#ifndef VOSTREL_DESKTOP_PLAYLIST_SUMMARY_H_
#define VOSTREL_DESKTOP_PLAYLIST_SUMMARY_H_

#include <vector>

#include <QLocale>
#include <QString>

#include "host/host.h"

namespace desktop {

QString formatTotalLength(double seconds);
QString playlistSummary(const host::TrackList& items, const std::vector<bool>& selected,
                        const QLocale& locale = QLocale());

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_PLAYLIST_SUMMARY_H_
