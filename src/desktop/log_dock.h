// LogDock: the console lines in a dock at the bottom of the main window.
// A line that reports a failure (a framed error of the component, or a
// line that says something could not be done) is announced with
// failureLogged(), and counted while the log is out of view (closed,
// behind another dock's tab, or before the window shows), until the user
// brings it into view.
//
//   auto* log = new LogDock(window);
//   connect(log, &LogDock::failureLogged, ...);        // the status bar
//   connect(log, &LogDock::unseenFailuresChanged, ...); // the marks
//   log->appendLine("[vostrel] Cannot play ...");
#ifndef VOSTREL_DESKTOP_LOG_DOCK_H_
#define VOSTREL_DESKTOP_LOG_DOCK_H_

#include <QDockWidget>
#include <QString>

class QPlainTextEdit;

namespace desktop {

// The first line of the failure that the console line `line` reports,
// without the "[vostrel] " prefix and the frame; empty for a notice (a
// timing, a scan's counts, a repair that was made, a query the user
// aborted).
QString failureSummary(const QString& line);

class LogDock : public QDockWidget {
  Q_OBJECT

 public:
  // Lines beyond this are dropped from the top.
  static constexpr int kLineLimit = 5000;

  explicit LogDock(QWidget* parent = nullptr);

  QPlainTextEdit& text() { return *text_; }
  void appendLine(const QString& line);
  // Failures logged since the log was last in view.
  int unseenFailures() const { return unseen_; }
  bool inView() const { return in_view_; }

 signals:
  void failureLogged(const QString& summary);
  void unseenFailuresChanged(int count);

 private:
  void setInView(bool in_view);

  QPlainTextEdit* text_ = nullptr;
  bool in_view_ = false;
  int unseen_ = 0;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_LOG_DOCK_H_
