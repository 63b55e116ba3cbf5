// Writers for the rows of a console run on a text stream, as the `sql`
// command prints them:
//
//   tsv    header line, then one line per row; TAB between fields; backslash,
//          TAB, LF and CR inside a value written \\ \t \n \r
//   csv    RFC 4180, header line first; NULL as an empty field
//   json   {"columns":[...],"rows":[[...],...]} with typed values
//   table  aligned columns with the console's "#" column, by display width
//          (wide CJK characters take two columns, combining marks none)
//
// tsv, csv and table write a blob as x'00ff', json as "00ff"; tsv and table
// write NULL as <null>.
// A result without columns (the last statement returned none) prints
// nothing in any format.
//
// Every format writes rows as they come, so that a result of any size runs
// in little memory. A table sizes its columns from the first
// kTableSizingRows rows: a result within them prints as if sized from all
// of it; past them, a later value wider than its column is cut with "…" (the
// last column, which nothing follows, is never cut, nor is a row number,
// which pushes its line right instead).
//
// After an error (clearResult) what was written stays and nothing follows:
// tsv and csv keep the lines of the rows before it, a table shows those rows
// (sized from them if the first block was not full), and a json document
// stays unfinished (no closing "]}"), so that no parser takes it for a whole
// result.
#ifndef VOSTREL_CONSOLE_RESULT_FORMATS_H_
#define VOSTREL_CONSOLE_RESULT_FORMATS_H_

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "console/console_run.h"

namespace console {

enum class ResultFormat { kTsv, kCsv, kJson, kTable };

std::optional<ResultFormat> parseResultFormat(std::string_view name);

// How many rows a table holds back to size its columns before it streams.
inline constexpr std::size_t kTableSizingRows = 2000;

// The number of terminal columns `text` (UTF-8) takes.
std::size_t displayWidth(std::string_view text);

// `text` if it takes at most `width` columns; otherwise as much of it as fits
// in `width - 1` columns (combining marks stay with their character)
// followed by "…". Nothing fits in 0 columns.
std::string cutToWidth(std::string_view text, std::size_t width);

// A sink that writes the result to `out` in `format`.
class ResultWriter : public ResultSink {
 public:
  // Ends the result: closes a json document, writes a table that fits in
  // its first block. Nothing after an error (clearResult).
  virtual void finish() = 0;
};

std::unique_ptr<ResultWriter> makeResultWriter(ResultFormat format, std::ostream& out);

}  // namespace console

#endif  // VOSTREL_CONSOLE_RESULT_FORMATS_H_
