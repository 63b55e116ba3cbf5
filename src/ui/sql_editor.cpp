#include "ui/sql_editor.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPalette>
#include <Qsci/qscilexersql.h>

namespace ui {
namespace {

constexpr int kFixedFontPoints = 9;
constexpr int kMinimumNumberDigits = 3;
constexpr int kLastSqlStyle = QsciLexerSQL::QuotedOperator;

// The lexer's colour of `style` on a dark background: its own colours are
// dark, made for white paper.
QColor darkStyleColour(int style, const QColor& text) {
  switch (style) {
    case QsciLexerSQL::Comment:
    case QsciLexerSQL::CommentLine:
    case QsciLexerSQL::CommentDoc:
    case QsciLexerSQL::PlusComment:
    case QsciLexerSQL::CommentLineHash:
    case QsciLexerSQL::CommentDocKeyword: return {135, 200, 135};
    case QsciLexerSQL::Number: return {240, 160, 120};
    case QsciLexerSQL::Keyword:
    case QsciLexerSQL::PlusKeyword:
    case QsciLexerSQL::KeywordSet5:
    case QsciLexerSQL::KeywordSet6:
    case QsciLexerSQL::KeywordSet7:
    case QsciLexerSQL::KeywordSet8: return {130, 170, 255};
    case QsciLexerSQL::DoubleQuotedString:
    case QsciLexerSQL::SingleQuotedString:
    case QsciLexerSQL::QuotedIdentifier: return {220, 150, 220};
    case QsciLexerSQL::CommentDocKeywordError: return {255, 120, 120};
    default: return text;
  }
}

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
  applyPalette();

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

void SqlEditor::applyPalette() {
  const QPalette& colours = palette();
  const bool dark = colours.color(QPalette::Base).lightness() < 128;
  if (!dark && !dark_) return;  // the lexer's own colours, as made
  dark_ = dark;
  const QColor text = colours.color(QPalette::Text);
  for (int style = 0; style <= kLastSqlStyle; ++style) {
    sql_lexer_->setColor(dark ? darkStyleColour(style, text) : sql_lexer_->defaultColor(style), style);
    sql_lexer_->setPaper(dark ? colours.color(QPalette::Base) : sql_lexer_->defaultPaper(style), style);
  }
  setColor(text);
  setPaper(colours.color(QPalette::Base));
  setCaretForegroundColor(text);
  setMarginsBackgroundColor(colours.color(QPalette::Window));
  setMarginsForegroundColor(colours.color(QPalette::WindowText));
}

bool SqlEditor::event(QEvent* event) {
  if (event->type() == QEvent::PaletteChange) applyPalette();
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
