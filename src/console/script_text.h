// Where an SQL script's statements end: what follows the last statement may
// only be blanks, comments (-- to the end of the line, /* ... */) and stray
// semicolons, none of which is a statement of its own.
//
//   "SELECT 1; -- done"   -> "SELECT 1"
//   "/* nothing */"       -> ""
#ifndef VOSTREL_CONSOLE_SCRIPT_TEXT_H_
#define VOSTREL_CONSOLE_SCRIPT_TEXT_H_

#include <cstddef>
#include <string_view>

namespace console {

// The length of `script` up to the end of its last token that is not a blank,
// a comment or a semicolon. Quoted text ('...', "...", [...], `...`) counts as
// one token, so "--" or ";" inside it changes nothing. An unterminated quote
// or block comment runs to the end of the script, as SQLite reads it.
std::size_t statementsEnd(std::string_view script);

}  // namespace console

#endif  // VOSTREL_CONSOLE_SCRIPT_TEXT_H_
