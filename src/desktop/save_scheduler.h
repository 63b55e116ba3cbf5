// SaveScheduler: saves soon after a change, at most once a second, so that
// a crash loses at most the last second of changes. The first change after
// a save starts a one-second timer; further changes ride along with it.
#ifndef VOSTREL_DESKTOP_SAVE_SCHEDULER_H_
#define VOSTREL_DESKTOP_SAVE_SCHEDULER_H_

#include <functional>

#include <QObject>
#include <QTimer>

namespace desktop {

class SaveScheduler : public QObject {
  Q_OBJECT

 public:
  static constexpr int kDelayMs = 1000;

  // `save` writes the data; it reports its own failures.
  explicit SaveScheduler(std::function<void()> save, QObject* parent = nullptr);

  // Something changed: save within kDelayMs.
  void schedule();
  // Saves now when a save is pending.
  void flush();
  // Drops a pending save (the caller saves itself).
  void cancel() { timer_.stop(); }
  bool pending() const { return timer_.isActive(); }

 private:
  std::function<void()> save_;
  QTimer timer_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_SAVE_SCHEDULER_H_
