#include "console/result_formats.h"

#include <nlohmann/json.hpp>
#include <utf8proc.h>

#include <algorithm>
#include <utility>

#include "db/property.h"

namespace console {
namespace {

// Takes the first character off `text` and returns the terminal columns it
// takes; a byte that starts no valid UTF-8 sequence counts as a character of
// one column.
std::size_t nextCharacter(std::string_view& text) {
  if (text[0] >= 0x20 && text[0] < 0x7f) {  // printable ASCII, most of what a table shows
    text.remove_prefix(1);
    return 1;
  }
  utf8proc_int32_t code_point = 0;
  const utf8proc_ssize_t length = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                                                   static_cast<utf8proc_ssize_t>(text.size()), &code_point);
  if (length <= 0) {
    text.remove_prefix(1);
    return 1;
  }
  text.remove_prefix(static_cast<std::size_t>(length));
  return static_cast<std::size_t>(utf8proc_charwidth(code_point));
}

// A cell as the text formats write it: NULL as `null_text`, a blob as
// x'00ff' (never its raw bytes), anything else as the console shows it.
void cellText(const db::SQLiteColumn& value, const std::string& cell, const char* null_text, std::string& out) {
  if (value.isNull()) {
    out.assign(null_text);
  } else if (value.type() == db::kTagBlob) {
    out = db::blobLiteral(value.text());
  } else {
    out.assign(cell);
  }
}

// The line-per-row formats; Escape writes one field.
template <typename Escape>
class DelimitedWriter : public ResultWriter {
 public:
  DelimitedWriter(std::ostream& out, char separator, const char* line_end, const char* null_text)
      : out_(out), separator_(separator), line_end_(line_end), null_text_(null_text) {}
  void beginResult(const std::vector<std::string>& columns) override {
    if (!columns.empty()) writeLine(columns);
  }
  void addRow(uint64_t, const db::SQLiteColumns& values, const std::vector<std::string>& cells) override {
    fields_.resize(cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i) cellText(values[i], cells[i], null_text_, fields_[i]);
    writeLine(fields_);
  }
  void clearResult() override {}
  void finish() override { out_.flush(); }

 private:
  void writeLine(const std::vector<std::string>& fields) {
    line_.clear();
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) line_.push_back(separator_);
      Escape::append(fields[i], line_);
    }
    line_ += line_end_;
    out_ << line_;
  }
  std::ostream& out_;
  char separator_;
  const char* line_end_;
  const char* null_text_;
  std::string line_;
  std::vector<std::string> fields_;
};

// Backslash, TAB, LF and CR written as \\ \t \n \r.
struct TsvEscape {
  static void append(const std::string& field, std::string& line) {
    for (char c : field) {
      switch (c) {
        case '\\': line += "\\\\"; break;
        case '\t': line += "\\t"; break;
        case '\n': line += "\\n"; break;
        case '\r': line += "\\r"; break;
        default: line.push_back(c);
      }
    }
  }
};

// RFC 4180: a field with a comma, a quote or a line break is quoted, inner
// quotes doubled.
struct CsvEscape {
  static void append(const std::string& field, std::string& line) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
      line += field;
      return;
    }
    line.push_back('"');
    for (char c : field) {
      if (c == '"') line.push_back('"');
      line.push_back(c);
    }
    line.push_back('"');
  }
};

// The document that nlohmann::json::dump() makes of the whole result, written
// a row at a time: the serializer is the one dump() uses (compact, UTF-8 as
// it is, invalid sequences replaced), so numbers and strings come out the
// same. The header goes out with the columns, each row as it comes, "]}" at
// the end.
class JsonWriter : public ResultWriter {
 public:
  using Json = nlohmann::json;

  explicit JsonWriter(std::ostream& out)
      : out_(out), serializer_(nlohmann::detail::output_adapter<char>(line_), ' ', Json::error_handler_t::replace) {}
  void beginResult(const std::vector<std::string>& columns) override {
    open_ = !columns.empty();
    if (!open_) return;
    first_row_ = true;
    line_ = "{\"columns\":";
    serializer_.dump(Json(columns), false, false, 0);
    line_ += ",\"rows\":[";
    out_ << line_;
  }
  void addRow(uint64_t, const db::SQLiteColumns& values, const std::vector<std::string>&) override {
    if (!open_) return;
    line_.clear();
    if (!std::exchange(first_row_, false)) line_.push_back(',');
    line_.push_back('[');
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i > 0) line_.push_back(',');
      serializer_.dump(typed(values[i]), false, false, 0);
    }
    line_.push_back(']');
    out_ << line_;
  }
  void clearResult() override {
    open_ = false;
    out_.flush();
  }
  void finish() override {
    if (open_) out_ << "]}\n";
    open_ = false;
    out_.flush();
  }

 private:
  // The value as its JSON type; the holders are reused from row to row.
  const Json& typed(const db::SQLiteColumn& value) {
    switch (value.type()) {
      case db::kTagInt64: return number_ = value.int64Value();
      case db::kTagDouble: return number_ = value.doubleValue();
      case db::kTagNull: return null_;
      case db::kTagBlob: text_.get_ref<std::string&>() = db::hexDigits(value.text()); return text_;
      default: text_.get_ref<std::string&>().assign(value.text()); return text_;
    }
  }

  std::ostream& out_;
  std::string line_;  // what the serializer writes into, declared before it
  nlohmann::detail::serializer<Json> serializer_;
  Json number_;
  Json text_ = Json::string_t();
  const Json null_;
  bool open_ = false;
  bool first_row_ = true;
};

// Holds the first kTableSizingRows rows to size the columns, then streams.
class TableWriter : public ResultWriter {
 public:
  explicit TableWriter(std::ostream& out) : out_(out) {}
  void beginResult(const std::vector<std::string>& columns) override {
    block_.clear();
    streaming_ = false;
    open_ = !columns.empty();
    if (!open_) return;
    header_ = {"#"};
    header_.insert(header_.end(), columns.begin(), columns.end());
  }
  void addRow(uint64_t number, const db::SQLiteColumns& values, const std::vector<std::string>& cells) override {
    if (!open_) return;
    row_.resize(cells.size() + 1);
    row_[0] = std::to_string(number);
    for (std::size_t i = 0; i < cells.size(); ++i) {
      std::string& flat = row_[i + 1];
      cellText(values[i], cells[i], "<null>", flat);
      std::replace_if(flat.begin(), flat.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    }
    if (!streaming_) {
      if (block_.size() < kTableSizingRows) {
        block_.push_back(row_);
        return;
      }
      streaming_ = true;
      writeBlock();
    }
    // Past the first block a text wider than its column is cut; the last
    // column has nothing after it to push out of line. A number is never
    // cut: its line shifts instead, as a long row number's does.
    for (std::size_t i = 1; i + 1 < row_.size(); ++i) {
      const int type = values[i - 1].type();
      if (type == db::kTagInt64 || type == db::kTagDouble) continue;
      if (displayWidth(row_[i]) > widths_[i]) row_[i] = cutToWidth(row_[i], widths_[i]);
    }
    writeRow(row_);
  }
  // The rows before the error stay, as tsv leaves them.
  void clearResult() override {
    if (open_ && !streaming_) writeBlock();
    open_ = false;
    out_.flush();
  }
  void finish() override {
    if (open_ && !streaming_) writeBlock();
    open_ = false;
    out_.flush();
  }

 private:
  // Sizes the columns from the header and the rows held, and writes them
  // (before the rest of the rows when streaming_).
  void writeBlock() {
    widths_.assign(header_.size(), 0);
    for (std::size_t i = 0; i < header_.size(); ++i) widths_[i] = displayWidth(header_[i]);
    for (const auto& row : block_) {
      for (std::size_t i = 0; i < row.size() && i < widths_.size(); ++i) {
        widths_[i] = std::max(widths_[i], displayWidth(row[i]));
      }
    }
    // A streamed column keeps room for the "…" of a cut value.
    if (streaming_) {
      for (std::size_t i = 1; i < widths_.size(); ++i) widths_[i] = std::max<std::size_t>(widths_[i], 1);
    }
    writeRow(header_);
    std::vector<std::string> rule;
    for (std::size_t width : widths_) rule.emplace_back(width, '-');
    writeRow(rule);
    for (const auto& row : block_) writeRow(row);
    block_.clear();
    block_.shrink_to_fit();
  }
  void writeRow(const std::vector<std::string>& row) {
    line_.clear();
    for (std::size_t i = 0; i < row.size() && i < widths_.size(); ++i) {
      if (i > 0) line_ += "  ";
      const std::size_t length = displayWidth(row[i]);
      const std::size_t pad = length < widths_[i] ? widths_[i] - length : 0;
      // The row number is right-aligned, values left-aligned.
      if (i == 0) line_.append(pad, ' ');
      line_ += row[i];
      if (i != 0 && i + 1 < row.size()) line_.append(pad, ' ');
    }
    line_ += '\n';
    out_ << line_;
  }

  std::ostream& out_;
  std::vector<std::string> header_;
  std::vector<std::vector<std::string>> block_;  // the first rows, until streaming_
  std::vector<std::size_t> widths_;
  std::vector<std::string> row_;
  std::string line_;
  bool open_ = false;
  bool streaming_ = false;
};

}  // namespace

std::size_t displayWidth(std::string_view text) {
  std::size_t width = 0;
  while (!text.empty()) width += nextCharacter(text);
  return width;
}

std::string cutToWidth(std::string_view text, std::size_t width) {
  if (displayWidth(text) <= width) return std::string(text);
  if (width == 0) return {};
  std::string_view rest = text;
  std::size_t used = 0;
  while (!rest.empty()) {
    std::string_view after = rest;
    const std::size_t columns = nextCharacter(after);
    if (used + columns > width - 1) break;
    used += columns;
    rest = after;
  }
  std::string cut(text.substr(0, text.size() - rest.size()));
  cut += "\u2026";
  return cut;
}

std::optional<ResultFormat> parseResultFormat(std::string_view name) {
  if (name == "tsv") return ResultFormat::kTsv;
  if (name == "csv") return ResultFormat::kCsv;
  if (name == "json") return ResultFormat::kJson;
  if (name == "table") return ResultFormat::kTable;
  return std::nullopt;
}

std::unique_ptr<ResultWriter> makeResultWriter(ResultFormat format, std::ostream& out) {
  switch (format) {
    case ResultFormat::kCsv: return std::make_unique<DelimitedWriter<CsvEscape>>(out, ',', "\r\n", "");
    case ResultFormat::kJson: return std::make_unique<JsonWriter>(out);
    case ResultFormat::kTable: return std::make_unique<TableWriter>(out);
    case ResultFormat::kTsv: break;
  }
  return std::make_unique<DelimitedWriter<TsvEscape>>(out, '\t', "\n", "<null>");
}

}  // namespace console
