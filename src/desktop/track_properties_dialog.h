// TrackPropertiesDialog: a read-only view of one track: its tags, then its
// technical information (location, size, modification time, length and the
// fields the tag reader found in the audio). Multi-value tags show their
// values joined as the playlist and the tree join them. Beside them, the
// track's cover, read by the CoverLoader when one is given.
#ifndef VOSTREL_DESKTOP_TRACK_PROPERTIES_DIALOG_H_
#define VOSTREL_DESKTOP_TRACK_PROPERTIES_DIALOG_H_

#include <QDialog>

#include "host/host.h"

class QTableWidget;

namespace desktop {

class CoverLoader;
class CoverView;

class TrackPropertiesDialog : public QDialog {
  Q_OBJECT

 public:
  TrackPropertiesDialog(const host::Track& track, CoverLoader* covers = nullptr, QWidget* parent = nullptr);

  // Two columns, Name and Value; rows in display order, section headings
  // ("Tags", "Technical") as rows of their own.
  QTableWidget& table() const { return *table_; }
  // The cover (nullptr without a CoverLoader).
  CoverView* cover() const { return cover_; }

 private:
  QTableWidget* table_;
  CoverView* cover_ = nullptr;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_TRACK_PROPERTIES_DIALOG_H_
