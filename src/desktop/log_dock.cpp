#include "desktop/log_dock.h"

#include <array>

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QStringView>

namespace desktop {
namespace {

constexpr QStringView kPrefix = u"[vostrel] ";
// The component frames the message of an error it catches with these.
constexpr QStringView kFrameOpen = u">>>>>>>>>>>>>>>>>>>>>>>>>>>>>";
constexpr QStringView kFrameClose = u"<<<<<<<<<<<<<<<<<<<<<<<<<<<<<";
// A framed message that begins so tells of a statement interrupted on the
// user's request (Abort query, quitting), which is no failure.
constexpr QStringView kInterruption = u"Interruption ";
// How unframed lines that report a failure begin or what they say.
constexpr std::array<QStringView, 6> kFailureStarts = {u"Error ",   u"Unable to ",         u"Cannot ",
                                                       u"This is a bug", u"Playback is not available", u"tf(): "};
constexpr std::array<QStringView, 3> kFailureWords = {u" could not ", u" cannot ", u" does not compile"};

}  // namespace

QString failureSummary(const QString& line) {
  if (line.contains(kFrameOpen)) {
    for (QStringView part : QStringView(line).split(u'\n')) {
      part = part.trimmed();
      if (!part.isEmpty() && part != kFrameOpen && part != kFrameClose && part != kPrefix.trimmed()) {
        return part.startsWith(kInterruption) ? QString() : part.toString();
      }
    }
    return {};
  }
  QStringView message = QStringView(line).trimmed();
  if (message.startsWith(kPrefix)) message = message.mid(kPrefix.size());
  message = message.left(message.indexOf(u'\n') < 0 ? message.size() : message.indexOf(u'\n'));
  for (QStringView start : kFailureStarts) {
    if (message.startsWith(start)) return message.toString();
  }
  for (QStringView word : kFailureWords) {
    if (message.contains(word)) return message.toString();
  }
  return {};
}

LogDock::LogDock(QWidget* parent) : QDockWidget(tr("Log"), parent) {
  setObjectName(QStringLiteral("log"));
  text_ = new QPlainTextEdit;
  text_->setReadOnly(true);
  text_->setMaximumBlockCount(kLineLimit);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setAccessibleName(tr("Log"));
  text_->setAccessibleDescription(tr("The program's messages, newest last"));
  setWidget(text_);
  // Shown and not behind another dock's tab; closed, tabbed away or in a
  // hidden window, it is out of view.
  connect(this, &QDockWidget::visibilityChanged, this, &LogDock::setInView);
}

void LogDock::appendLine(const QString& line) {
  text_->appendPlainText(line);
  const QString summary = failureSummary(line);
  if (summary.isEmpty()) return;
  if (!in_view_) emit unseenFailuresChanged(++unseen_);
  emit failureLogged(summary);
}

void LogDock::setInView(bool in_view) {
  in_view_ = in_view;
  if (!in_view_ || unseen_ == 0) return;
  unseen_ = 0;
  text_->moveCursor(QTextCursor::End);
  emit unseenFailuresChanged(0);
}

}  // namespace desktop
