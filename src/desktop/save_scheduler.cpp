#include "desktop/save_scheduler.h"

namespace desktop {

SaveScheduler::SaveScheduler(std::function<void()> save, QObject* parent) : QObject(parent), save_(std::move(save)) {
  timer_.setSingleShot(true);
  timer_.setInterval(kDelayMs);
  connect(&timer_, &QTimer::timeout, this, [this] { save_(); });
}

void SaveScheduler::schedule() {
  if (!timer_.isActive()) timer_.start();
}

void SaveScheduler::flush() {
  if (!timer_.isActive()) return;
  timer_.stop();
  save_();
}

}  // namespace desktop
