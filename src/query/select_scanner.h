// The character scanner under the SELECT splitter: it walks statement text,
// hides quoted strings, bracketed identifiers, parenthesised text and
// comments, and hands every remaining (top-level) character to a handler.
//
// The scanner is a state machine over these states, kept as flags:
//
//   TOP      outside everything; characters go to the handler
//   PAREN    parenthesis depth > 0; characters go to the buffer
//   SINGLE   inside '...'    (an apostrophe toggles it unless in "..." or [...])
//   DOUBLE   inside "..."    (a quotation mark toggles it unless in '...' or [...])
//   BRACKET  inside [...]    ("[" enters and "]" leaves unless in quotes)
//   LINE     inside -- ...   (ends at a line feed)
//   BLOCK    inside /* ... */
//
// and these tokens:
//
//   "/*"  "--"   open BLOCK / LINE when not in quotes or brackets
//   "*/"  "\n"   close BLOCK / LINE; the comment and its delimiters are
//                dropped and count as one blank
//   ' " [ ]      quote and bracket toggles as above
//   ( )          depth +1 / -1 outside quotes and brackets
//   other        appended to the buffer, or handed to the handler at TOP
//
// A closing quote, bracket or parenthesis is itself a top-level character.
// Unterminated quotes, brackets, parentheses and comments swallow the rest of
// the text; the handler's finish() still sees what was collected. Nothing is
// ever an error and no index leaves the text.
//
// Example: in  SELECT a, '(' x FROM [from] -- note
// the handler sees every character of "SELECT a, ", the closing "'" of '(',
// " x FROM ", the closing "]" and the blank after it (the unterminated comment
// gives no blank); the rest goes to the buffer or is dropped.
#ifndef VOSTREL_QUERY_SELECT_SCANNER_H_
#define VOSTREL_QUERY_SELECT_SCANNER_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace query {

// Tab, line feed, carriage return and space: the only blanks of the splitter.
inline bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Whether `keyword` (ASCII) stands at text[pos]: equal ignoring case, at the
// start of the text or after a blank, and followed by a blank (so a keyword
// that ends the text is never one). On success moves `pos` to the keyword's
// last character.
bool matchKeyword(std::string_view text, std::size_t& pos, std::string_view keyword);

// Receives the top-level characters of one scan.
class ScanHandler {
 public:
  virtual ~ScanHandler() = default;
  // Character text[pos] is at the top level. The handler appends it to
  // `buffer` if it keeps it; it may move `pos` forward (never past the end)
  // to skip a keyword.
  virtual void topLevel(std::string_view text, std::size_t& pos, std::string& buffer) = 0;
  // A comment was dropped at the top level; it separates like a blank.
  virtual void commentBlank(std::string& buffer) = 0;
  // Called once after the last character with whatever the buffer holds.
  virtual void finish(std::string& buffer) = 0;
};

// Scans `text` trimmed of blanks; the positions handed to the handler are
// indexes into the trimmed text, which is also the view it receives.
void scan(std::string_view text, ScanHandler& handler);

// Splits `text` (trimmed first) at top-level commas. Parts keep their
// surrounding blanks; a comma that ends the text stays in the last part. An
// empty or blank text has no parts.
std::vector<std::string> splitTopLevel(std::string_view text);

// One result column: the first word is the expression, the last of two or
// more words is the alias ("x AS y" and "x y" both give x and y). Words are
// separated by top-level blanks; quotes, brackets and parentheses stay inside
// their word.
struct ColumnParts {
  std::string expression;
  std::string alias;
};
ColumnParts splitColumn(std::string_view text);

}  // namespace query

#endif  // VOSTREL_QUERY_SELECT_SCANNER_H_
