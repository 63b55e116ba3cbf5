#include "desktop/library_hint.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace desktop {

LibraryHint::LibraryHint(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("library_hint"));
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::ToolTipBase));
  colours.setColor(QPalette::WindowText, colours.color(QPalette::ToolTipText));
  setPalette(colours);

  icon_ = new QLabel;
  const int size = style()->pixelMetric(QStyle::PM_LargeIconSize);
  icon_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(size, size));
  icon_->setAlignment(Qt::AlignTop);
  text_ = new QLabel;
  text_->setWordWrap(true);
  text_->setTextFormat(Qt::PlainText);
  add_music_ = new QPushButton(tr("&Add music..."));
  add_music_->setToolTip(tr("Opens the Library page of the preferences"));
  add_music_->setAccessibleName(tr("Add music: open the Library page of the preferences"));
  connect(add_music_, &QPushButton::clicked, this, &LibraryHint::addMusicRequested);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(icon_);
  layout->addWidget(text_, 1);
  layout->addWidget(add_music_, 0, Qt::AlignVCenter);
  hide();
}

void LibraryHint::showFor(std::size_t tracks, const std::vector<std::string>& music_folders, bool scanning) {
  if (tracks > 0) {
    hide();
    return;
  }
  QString text;
  if (scanning) {
    text = tr("Reading your music folders... Their tracks show up here and in the tree when the scan is done.");
  } else if (!music_folders.empty()) {
    text = tr("No audio files were found in %1. Copy music there (Vostrel notices new files), or click \"Add "
              "music...\" and then \"Add folder...\" to add the folder that holds your music.")
               .arg(QString::fromStdString(music_folders.front()) +
                    (music_folders.size() == 2   ? tr(" and 1 other folder")
                     : music_folders.size() > 2 ? tr(" and %1 other folders").arg(music_folders.size() - 1)
                                                : QString()));
  } else {
    text = tr("Your library is empty. Click \"Add music...\", then \"Add folder...\" and choose the folder that "
              "holds your music: Vostrel reads its audio files in the background and keeps watching it.");
  }
  text_->setText(text);
  add_music_->setVisible(!scanning);
  show();
}

}  // namespace desktop
