#include "desktop/transport_bar.h"

#include <algorithm>
#include <climits>

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QStyle>

#include "desktop/playback_controller.h"

namespace desktop {
namespace {

constexpr int kSeekBarWidth = 260;
constexpr int kVolumeWidth = 90;

QIcon icon(QStyle& style, const char* theme_name, QStyle::StandardPixmap fallback) {
  return QIcon::fromTheme(QString::fromLatin1(theme_name), style.standardIcon(fallback));
}

}  // namespace

TransportBar::TransportBar(PlaybackController& playback, QWidget* parent)
    : QToolBar(tr("Playback"), parent), playback_(playback) {
  setObjectName(QStringLiteral("playback_toolbar"));
  QStyle& look = *style();
  play_ = addAction(icon(look, "media-playback-start", QStyle::SP_MediaPlay), tr("&Play"));
  pause_ = addAction(icon(look, "media-playback-pause", QStyle::SP_MediaPause), tr("P&ause"));
  stop_ = addAction(icon(look, "media-playback-stop", QStyle::SP_MediaStop), tr("&Stop"));
  previous_ = addAction(icon(look, "media-skip-backward", QStyle::SP_MediaSkipBackward), tr("Pre&vious"));
  next_ = addAction(icon(look, "media-skip-forward", QStyle::SP_MediaSkipForward), tr("&Next"));
  connect(play_, &QAction::triggered, &playback_, &PlaybackController::play);
  connect(pause_, &QAction::triggered, &playback_, &PlaybackController::pause);
  connect(stop_, &QAction::triggered, &playback_, &PlaybackController::stop);
  connect(previous_, &QAction::triggered, &playback_, &PlaybackController::previous);
  connect(next_, &QAction::triggered, &playback_, &PlaybackController::next);
  // The keys: the media keys where the desktop leaves them to the window,
  // and keys that work on any keyboard.
  stop_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Period), QKeySequence(Qt::Key_MediaStop)});
  next_->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_Right), QKeySequence(Qt::Key_MediaNext)});
  previous_->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_Left), QKeySequence(Qt::Key_MediaPrevious)});
  play_pause_ = new QAction(tr("Play or pa&use"), this);
  play_pause_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_P), QKeySequence(Qt::Key_MediaTogglePlayPause),
                             QKeySequence(Qt::Key_MediaPlay), QKeySequence(Qt::Key_MediaPause)});
  connect(play_pause_, &QAction::triggered, &playback_, &PlaybackController::playPause);
  seek_forward_ = new QAction(tr("Seek &forward 5 s"), this);
  seek_forward_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Right));
  connect(seek_forward_, &QAction::triggered, this, [this] { playback_.seek(playback_.position() + kSeekStepMs); });
  seek_back_ = new QAction(tr("Seek &back 5 s"), this);
  seek_back_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Left));
  connect(seek_back_, &QAction::triggered, this,
          [this] { playback_.seek(std::max<qint64>(0, playback_.position() - kSeekStepMs)); });

  addSeparator();
  seek_ = new QSlider(Qt::Horizontal, this);
  seek_->setObjectName(QStringLiteral("seek_bar"));
  seek_->setMinimumWidth(kSeekBarWidth);
  seek_->setToolTip(tr("Seek"));
  seek_->setAccessibleName(tr("Position in the track"));
  addWidget(seek_);
  time_ = new QLabel(this);
  time_->setObjectName(QStringLiteral("playback_time"));
  time_->setContentsMargins(8, 0, 8, 0);
  addWidget(time_);

  connect(seek_, &QSlider::sliderReleased, this, [this] { playback_.seek(seek_->value()); });
  connect(seek_, &QSlider::sliderMoved, this, [this](int value) {
    time_->setText(PlaybackController::formatTime(value) + " / " +
                   PlaybackController::formatTime(playback_.duration()));
  });
  // Page steps and keys move the handle without a drag.
  connect(seek_, &QSlider::actionTriggered, this, [this](int action) {
    if (action != QAbstractSlider::SliderMove) playback_.seek(seek_->sliderPosition());
  });

  // The playback order: a menu of checkable actions and a box in the bar.
  addSeparator();
  orders_ = new QActionGroup(this);
  order_box_ = new QComboBox(this);
  order_box_->setObjectName(QStringLiteral("playback_order"));
  order_box_->setAccessibleName(tr("Playback order"));
  order_box_->setToolTip(tr("Playback order"));
  order_box_->setFocusPolicy(Qt::StrongFocus);
  for (player::PlaybackOrder order : player::kPlaybackOrders) {
    const std::string_view label = player::playbackOrderLabel(order);
    const QString text = QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
    QAction* action = orders_->addAction(text);
    action->setCheckable(true);
    action->setData(static_cast<int>(order));
    connect(action, &QAction::triggered, this, [this, order] { playback_.setOrder(order); });
    order_box_->addItem(text, static_cast<int>(order));
  }
  connect(order_box_, &QComboBox::activated, this, [this](int index) {
    playback_.setOrder(static_cast<player::PlaybackOrder>(order_box_->itemData(index).toInt()));
  });
  addWidget(order_box_);

  volume_ = new QSlider(Qt::Horizontal, this);
  volume_->setObjectName(QStringLiteral("volume"));
  volume_->setAccessibleName(tr("Volume"));
  volume_->setRange(0, 100);
  volume_->setPageStep(10);
  volume_->setFixedWidth(kVolumeWidth);
  volume_->setFocusPolicy(Qt::StrongFocus);
  volume_->setValue(static_cast<int>(playback_.volume() * 100 + 0.5));
  volume_->setToolTip(tr("Volume: %1%").arg(volume_->value()));
  connect(volume_, &QSlider::valueChanged, this, [this](int value) {
    volume_->setToolTip(tr("Volume: %1%").arg(value));
    playback_.setVolume(value / 100.0);
  });
  connect(&playback_, &PlaybackController::volumeChanged, this, [this](double volume) {
    const int value = static_cast<int>(volume * 100 + 0.5);
    if (value != volume_->value()) volume_->setValue(value);
  });
  addWidget(volume_);
  connect(&playback_, &PlaybackController::orderChanged, this, &TransportBar::showOrder);
  showOrder();

  connect(&playback_, &PlaybackController::positionChanged, this, &TransportBar::showPosition);
  connect(&playback_, &PlaybackController::durationChanged, this, &TransportBar::update);
  connect(&playback_, &PlaybackController::stateChanged, this, &TransportBar::update);
  connect(&playback_, &PlaybackController::trackChanged, this, &TransportBar::update);
  update();
}

void TransportBar::fillMenu(QMenu& menu) {
  menu.addAction(play_pause_);
  menu.addAction(play_);
  menu.addAction(pause_);
  menu.addAction(stop_);
  menu.addSeparator();
  menu.addAction(next_);
  menu.addAction(previous_);
  menu.addAction(seek_forward_);
  menu.addAction(seek_back_);
  menu.addSeparator();
  QMenu* order = menu.addMenu(tr("&Order"));
  order->addActions(orders_->actions());
}

void TransportBar::showOrder() {
  const int current = static_cast<int>(playback_.order());
  for (QAction* action : orders_->actions()) action->setChecked(action->data().toInt() == current);
  order_box_->setCurrentIndex(order_box_->findData(current));
}

void TransportBar::update() {
  const bool stopped = playback_.state() == PlaybackController::State::kStopped;
  seek_forward_->setEnabled(!stopped);
  seek_back_->setEnabled(!stopped);
  pause_->setEnabled(playback_.state() == PlaybackController::State::kPlaying);
  stop_->setEnabled(!stopped);
  const qint64 duration = playback_.duration();
  seek_->setEnabled(!stopped && duration > 0);
  seek_->setRange(0, static_cast<int>(std::min<qint64>(duration, INT_MAX)));
  seek_->setPageStep(std::max(1000, static_cast<int>(duration / 10)));
  showPosition(playback_.position());
}

void TransportBar::showPosition(qint64 position) {
  if (!seek_->isSliderDown()) seek_->setValue(static_cast<int>(std::min<qint64>(position, INT_MAX)));
  if (playback_.state() == PlaybackController::State::kStopped) {
    time_->clear();
    return;
  }
  time_->setText(PlaybackController::formatTime(position) + " / " +
                 PlaybackController::formatTime(playback_.duration()));
}

}  // namespace desktop
