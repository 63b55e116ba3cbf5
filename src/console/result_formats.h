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
#ifndef VOSTREL_CONSOLE_RESULT_FORMATS_H_
#define VOSTREL_CONSOLE_RESULT_FORMATS_H_

#include <memory>
#include <optional>
#include <ostream>
#include <string_view>

#include "console/console_run.h"

namespace console {

enum class ResultFormat { kTsv, kCsv, kJson, kTable };

std::optional<ResultFormat> parseResultFormat(std::string_view name);

// The number of terminal columns `text` (UTF-8) takes.
std::size_t displayWidth(std::string_view text);

// A sink that writes the result to `out` in `format`. Formats that need the
// whole result (json, table) write it when finish() is called.
class ResultWriter : public ResultSink {
 public:
  virtual void finish() = 0;
};

std::unique_ptr<ResultWriter> makeResultWriter(ResultFormat format, std::ostream& out);

}  // namespace console

#endif  // VOSTREL_CONSOLE_RESULT_FORMATS_H_
