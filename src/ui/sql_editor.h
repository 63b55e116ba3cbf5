// SqlEditor: the program's editor for SQL text. A Scintilla editor with the
// SQL lexer, line numbers and brace matching, in the system's fixed-pitch
// font at 9 points. The same widget edits title-formatting expressions with
// the lexer switched off.
//
//   auto* editor = new ui::SqlEditor(parent);
//   editor->setText(QStringLiteral("SELECT 1"));
//   editor->setSqlLexer(false);   // plain text, same font
#ifndef VOSTREL_UI_SQL_EDITOR_H_
#define VOSTREL_UI_SQL_EDITOR_H_

#include <QFont>
#include <Qsci/qsciscintilla.h>

class QsciLexerSQL;

namespace ui {

class SqlEditor : public QsciScintilla {
  Q_OBJECT

 public:
  explicit SqlEditor(QWidget* parent = nullptr);
  ~SqlEditor() override;

  // The fixed-pitch font of every SQL edit: the system fixed font, 9 points.
  static QFont fixedFont();

  void setSqlLexer(bool on);
  bool sqlLexer() const { return lexer() != nullptr; }

 protected:
  // Tab indents; Ctrl+Tab and Ctrl+Shift+Tab leave the editor for the next
  // or previous control, as in Qt's own text edits, so that the keyboard
  // is never trapped here.
  bool event(QEvent* event) override;

 private:
  void fitLineNumbers();
  // On a dark background (a dark palette) the SQL colours are light ones.
  void applyPalette();

  QsciLexerSQL* sql_lexer_ = nullptr;
  int number_digits_ = 0;
  bool dark_ = false;
};

}  // namespace ui

#endif  // VOSTREL_UI_SQL_EDITOR_H_
