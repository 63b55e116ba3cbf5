#include "desktop/track_properties_dialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QTableWidget>
#include <QVBoxLayout>

#include "desktop/cover_dock.h"
#include "desktop/playlist_summary.h"
#include "host/multi_value.h"
#include "host/track.h"

namespace desktop {
namespace {

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

void addRow(QTableWidget& table, const QString& name, const QString& value, bool heading = false) {
  const int row = table.rowCount();
  table.insertRow(row);
  auto* name_item = new QTableWidgetItem(name);
  auto* value_item = new QTableWidgetItem(value);
  for (QTableWidgetItem* item : {name_item, value_item}) item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  if (heading) {
    QFont font = name_item->font();
    font.setBold(true);
    name_item->setFont(font);
  }
  value_item->setToolTip(value);
  table.setItem(row, 0, name_item);
  table.setItem(row, 1, value_item);
}

void addFields(QTableWidget& table, const host::FieldList& fields) {
  for (const host::InfoField& field : fields) {
    std::string joined;
    host::appendJoined(joined, field.values());
    addRow(table, fromView(field.name()), QString::fromStdString(joined));
  }
}

}  // namespace

TrackPropertiesDialog::TrackPropertiesDialog(const host::Track& track, CoverLoader* covers, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("track_properties"));
  const QString location = fromView(track.path());
  setWindowTitle(tr("Properties of %1").arg(QFileInfo(location).fileName()));
  table_ = new QTableWidget(0, 2, this);
  table_->setAccessibleName(tr("Track properties"));
  table_->setHorizontalHeaderLabels({tr("Name"), tr("Value")});
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setWordWrap(false);

  addRow(*table_, tr("Tags"), QString(), true);
  if (track.meta().empty()) addRow(*table_, tr("(none)"), QString());
  addFields(*table_, track.meta());
  addRow(*table_, tr("Technical"), QString(), true);
  addRow(*table_, tr("Location"), location);
  if (track.subsong() != 0) addRow(*table_, tr("Subsong"), QString::number(track.subsong()));
  const QLocale locale;
  addRow(*table_, tr("File size"), tr("%1 bytes").arg(locale.toString(static_cast<qulonglong>(track.size()))));
  if (track.mtime() != 0) {
    addRow(*table_, tr("Last modified"),
           locale.toString(QDateTime::fromSecsSinceEpoch(track.mtime()), QLocale::ShortFormat));
  }
  if (track.hasInfo()) addRow(*table_, tr("Length"), formatTotalLength(track.length()));
  addFields(*table_, track.tech());
  table_->resizeColumnToContents(0);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  auto* content = new QHBoxLayout;
  if (covers != nullptr) {
    cover_ = new CoverView(this);
    cover_->setFixedSize(180, 180);
    cover_->showCoverOf(*covers, location, QFileInfo(location).fileName());
    content->addWidget(cover_, 0, Qt::AlignTop);
  }
  content->addWidget(table_, 1);
  layout->addLayout(content);
  layout->addWidget(buttons);
  resize(covers != nullptr ? 720 : 520, 440);
}

}  // namespace desktop
