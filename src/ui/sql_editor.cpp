#include "ui/sql_editor.h"

#include <Qsci/qscilexersql.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>

namespace ui {
namespace {

constexpr int kFixedFontPoints = 9;
constexpr int kMinimumNumberDigits = 3;

}  // namespace

QFont SqlEditor::fixedFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(kFixedFontPoints);
  font.setWeight(QFont::Normal);
  return font;
}

SqlEditor::SqlEditor(QWidget* parent) : QsciScintilla(parent) {
  const QFont font = fixedFont();
  setUtf8(true);
  setFont(font);
  setMarginsFont(font);
  setEolMode(EolUnix);
  setAutoIndent(true);
  setTabWidth(4);
  setBraceMatching(SloppyBraceMatch);
  setMarginType(0, NumberMargin);
  setMarginLineNumbers(0, true);
  setMarginWidth(1, 0);
  setFolding(NoFoldStyle);
  setWrapMode(WrapNone);
  // The horizontal scroll bar follows the longest line instead of a fixed
  // width.
  setScrollWidth(1);
  setScrollWidthTracking(true);

  sql_lexer_ = new QsciLexerSQL(this);
  sql_lexer_->setDefaultFont(font);
  sql_lexer_->setFont(font, -1);  // every style
  setSqlLexer(true);

  connect(this, &QsciScintilla::linesChanged, this, &SqlEditor::fitLineNumbers);
  fitLineNumbers();
}

SqlEditor::~SqlEditor() = default;

void SqlEditor::setSqlLexer(bool on) {
  if (on == sqlLexer()) return;
  setLexer(on ? sql_lexer_ : nullptr);
  // Without a lexer the editor falls back to its own font.
  if (!on) setFont(fixedFont());
  setMarginsFont(fixedFont());
  setBraceMatching(SloppyBraceMatch);
}

void SqlEditor::fitLineNumbers() {
  int digits = kMinimumNumberDigits;
  for (int n = lines(); n >= 1000; n /= 10) ++digits;
  if (digits == number_digits_) return;
  number_digits_ = digits;
  setMarginWidth(0, QString(digits + 1, QLatin1Char('9')));
}

bool SqlEditor::event(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
    if (tab && (key->modifiers() & Qt::ControlModifier)) {
      const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
      // QScintilla refuses to pass the focus on from an editable text.
      QWidget::focusNextPrevChild(!back);  // NOLINT(bugprone-parent-virtual-call)
      return true;
    }
  }
  return QsciScintilla::event(event);
}

}  // namespace ui
