// QuitSignals: turns SIGTERM and SIGINT into a Qt signal, so that they quit
// the program the way its Quit command does. The handler only writes one
// byte to a pipe; a socket notifier reads it on the main thread.
#ifndef VOSTREL_DESKTOP_QUIT_SIGNALS_H_
#define VOSTREL_DESKTOP_QUIT_SIGNALS_H_

#include <QObject>

class QSocketNotifier;

namespace desktop {

class QuitSignals : public QObject {
  Q_OBJECT

 public:
  // Installs the handlers; at most one instance at a time. The previous
  // handlers come back when it is destroyed.
  explicit QuitSignals(QObject* parent = nullptr);
  ~QuitSignals() override;

 signals:
  // SIGTERM or SIGINT arrived; emitted on the main thread.
  void quitRequested(int signal_number);

 private:
  void readSignal();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_QUIT_SIGNALS_H_
