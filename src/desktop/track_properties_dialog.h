// TrackPropertiesDialog: a read-only view of one track: its tags, then its
// technical information (location, size, modification time, length and the
// fields the tag reader found in the audio). Multi-value tags show their
// values joined as the playlist and the tree join them.
#ifndef VOSTREL_DESKTOP_TRACK_PROPERTIES_DIALOG_H_
#define VOSTREL_DESKTOP_TRACK_PROPERTIES_DIALOG_H_

#include <QDialog>

#include "host/host.h"

class QTableWidget;

namespace desktop {

class TrackPropertiesDialog : public QDialog {
  Q_OBJECT

 public:
  TrackPropertiesDialog(const host::Track& track, QWidget* parent = nullptr);

  // Two columns, Name and Value; rows in display order, section headings
  // ("Tags", "Technical") as rows of their own.
  QTableWidget& table() const { return *table_; }

 private:
  QTableWidget* table_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_TRACK_PROPERTIES_DIALOG_H_
