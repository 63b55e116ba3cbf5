#include "desktop/cover_dock.h"

#include <QPainter>
#include <QPainterPath>

#include "desktop/cover_loader.h"
#include "desktop/player_signals.h"
#include "player/player.h"

namespace desktop {
namespace {

QString fromView(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// "Title by Artist" for screen readers, the file's name without a title.
QString describe(const host::Track& track) {
  const auto first = [&track](const char* name) {
    const host::FieldId id = host::findField(name);
    host::FieldPtr field = id == host::kNoField ? nullptr : track.findMeta(id);
    return field != nullptr && !field->values().empty() ? fromView(field->values().front()) : QString();
  };
  QString title = first("title");
  if (title.isEmpty()) title = fromView(track.path()).section(QLatin1Char('/'), -1);
  const QString artist = first("artist");
  return artist.isEmpty() ? title : CoverDock::tr("%1 by %2").arg(title, artist);
}

}  // namespace

CoverView::CoverView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("cover_view"));
  setAccessibleName(tr("Cover"));
  setAccessibleDescription(tr("No cover"));
  setMinimumSize(64, 64);
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

void CoverView::showCoverOf(CoverLoader& loader, const QString& location, const QString& description) {
  if (location == location_ && answer_) return;
  location_ = location;
  description_ = description;
  disconnect(answer_);
  setImage({});
  if (location.isEmpty()) return;
  answer_ = connect(&loader, &CoverLoader::coverReady, this,
                    [this](const QString& answered, const QString&, const QImage& image) {
                      if (answered == location_) setImage(image);
                    });
  loader.request(location);
}

void CoverView::setImage(const QImage& image) {
  image_ = image;
  setAccessibleDescription(image_.isNull() || description_.isEmpty() ? tr("No cover")
                                                                     : tr("Cover of %1").arg(description_));
  setToolTip(image_.isNull() ? QString() : description_);
  QWidget::update();
}

void CoverView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.setRenderHint(QPainter::Antialiasing);
  const int side = std::min(width(), height()) - 8;
  if (side <= 0) return;
  if (!image_.isNull()) {
    const QSize size = image_.size().scaled(width() - 8, height() - 8, Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.drawImage(target, image_);
    return;
  }
  // The placeholder: a quiet square with a note and "No cover" in the
  // palette's own colours, so that it suits light and dark themes alike.
  const QRectF square((width() - side) / 2.0, (height() - side) / 2.0, side, side);
  QPainterPath path;
  path.addRoundedRect(square, 6, 6);
  painter.fillPath(path, palette().color(QPalette::AlternateBase));
  painter.setPen(QPen(palette().color(QPalette::Mid), 1));
  painter.drawPath(path);
  QColor ink = palette().color(QPalette::PlaceholderText);
  painter.setPen(ink);
  QFont font = painter.font();
  font.setPixelSize(std::max(12, side / 3));
  painter.setFont(font);
  painter.drawText(square.adjusted(0, 0, 0, -side / 5.0), Qt::AlignCenter, QStringLiteral("\u266a"));
  painter.setFont(this->font());
  painter.drawText(square.adjusted(4, side * 0.62, -4, 0), Qt::AlignHCenter | Qt::AlignTop, tr("No cover"));
}

CoverDock::CoverDock(player::Player& player, PlayerSignals& player_signals, CoverLoader& loader, QWidget* parent)
    : QDockWidget(tr("Cover"), parent), player_(player), loader_(loader) {
  setObjectName(QStringLiteral("cover_dock"));
  setAccessibleName(tr("Cover"));
  view_ = new CoverView;
  setWidget(view_);
  toggleViewAction()->setText(tr("&Cover"));
  connect(&player_signals, &PlayerSignals::playbackEvent, this, &CoverDock::update);
  connect(&player_signals, &PlayerSignals::libraryEvent, this, &CoverDock::update);
  connect(&player_signals, &PlayerSignals::playlistEvent, this, [this](const player::PlaylistChange& change) {
    if (change.event != host::PlaylistEvent::kItemFocusChanged) update();
  });
  update();
}

host::TrackHandle CoverDock::track() const {
  const std::size_t playing = player_.playingPlaylist();
  if (playing != host::kNoPlaylist && playing < player_.playlistCount()) {
    const player::Playlist& list = player_.playlists().at(playing);
    if (player_.playingItem() < list.items.size()) return list.items[player_.playingItem()];
  }
  const std::size_t active = player_.activePlaylist();
  if (active == host::kNoPlaylist || active >= player_.playlistCount()) return nullptr;
  const player::Playlist& list = player_.playlists().at(active);
  for (std::size_t i = 0; i < list.items.size() && i < list.selected.size(); ++i) {
    if (list.selected[i]) return list.items[i];
  }
  return nullptr;
}

void CoverDock::update() {
  const host::TrackHandle shown = track();
  view_->showCoverOf(loader_, shown ? fromView(shown->path()) : QString(), shown ? describe(*shown) : QString());
}

}  // namespace desktop
