#include "ui/panel_search.h"

#include <QKeyEvent>
#include <QPointer>

#include "db/database.h"
#include "tree/panel.h"

namespace ui {
namespace {

// How often a search that waits for a busy panel looks again.
constexpr int kBusyRetryMs = 50;

}  // namespace

PanelSearch::PanelSearch(tree::Panel& panel, std::function<void(const QString& text)> run, QWidget* parent)
    : QLineEdit(parent), panel_(panel), run_(std::move(run)) {
  setPlaceholderText(QString::fromUtf8(kSearchPlaceholder));
  setAccessibleName(QStringLiteral("Search the panel"));
  setAccessibleDescription(QStringLiteral(
      "Shows only the tracks whose artist, album artist, album, title, genre, composer or date contain every word"));
  setToolTip(QStringLiteral("Every word must be found; \"quoted words\" as one phrase. Ctrl+F here, Esc clears."));
  setClearButtonEnabled(true);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &PanelSearch::applyNow);
  connect(this, &QLineEdit::textChanged, this, &PanelSearch::edited);
}

void PanelSearch::edited() {
  // The running search is for an older text: stop it.
  panel_.supersedeSearch();
  timer_.start(kSearchDelayMs);
}

void PanelSearch::applyNow() {
  timer_.stop();
  if (panel_.database().IsBusy() || panel_.queryActive()) {
    timer_.start(kBusyRetryMs);
    return;
  }
  // The run lets events through, and the panel (with this field) may close
  // meanwhile: the call works on copies.
  const std::function<void(const QString&)> run = run_;
  run(text());
}

void PanelSearch::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      if (event->key() == Qt::Key_Escape) clear();
      // The search may close the panel, and this field with it.
      const QPointer<PanelSearch> self(this);
      applyNow();
      if (self) emit leaveRequested();
      return;
    }
    case Qt::Key_Down:
      emit leaveRequested();
      return;
    default:
      QLineEdit::keyPressEvent(event);
  }
}

}  // namespace ui
