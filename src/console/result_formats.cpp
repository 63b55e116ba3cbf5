#include "console/result_formats.h"

#include <nlohmann/json.hpp>
#include <utf8proc.h>

#include <algorithm>

#include "db/property.h"

namespace console {
namespace {

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

class JsonWriter : public ResultWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}
  void beginResult(const std::vector<std::string>& columns) override {
    columns_ = columns;
    rows_ = nlohmann::json::array();
  }
  void addRow(uint64_t, const db::SQLiteColumns& values, const std::vector<std::string>&) override {
    nlohmann::json row = nlohmann::json::array();
    for (const db::SQLiteColumn& value : values) {
      switch (value.type()) {
        case db::kTagInt64: row.push_back(value.int64Value()); break;
        case db::kTagDouble: row.push_back(value.doubleValue()); break;
        case db::kTagNull: row.push_back(nullptr); break;
        case db::kTagBlob: row.push_back(db::hexDigits(value.text())); break;
        default: row.push_back(value.text());
      }
    }
    rows_.push_back(std::move(row));
  }
  void clearResult() override {
    columns_.clear();
    rows_ = nlohmann::json::array();
  }
  void finish() override {
    if (columns_.empty()) return;
    nlohmann::json document = {{"columns", columns_}, {"rows", rows_}};
    out_ << document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    out_.flush();
  }

 private:
  std::ostream& out_;
  std::vector<std::string> columns_;
  nlohmann::json rows_ = nlohmann::json::array();
};

class TableWriter : public ResultWriter {
 public:
  explicit TableWriter(std::ostream& out) : out_(out) {}
  void beginResult(const std::vector<std::string>& columns) override {
    rows_.clear();
    if (columns.empty()) return;
    std::vector<std::string> header{"#"};
    header.insert(header.end(), columns.begin(), columns.end());
    rows_.push_back(std::move(header));
  }
  void addRow(uint64_t number, const db::SQLiteColumns& values, const std::vector<std::string>& cells) override {
    std::vector<std::string> row{std::to_string(number)};
    for (std::size_t i = 0; i < cells.size(); ++i) {
      std::string flat;
      cellText(values[i], cells[i], "<null>", flat);
      std::replace_if(flat.begin(), flat.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
      row.push_back(std::move(flat));
    }
    rows_.push_back(std::move(row));
  }
  void clearResult() override { rows_.clear(); }
  void finish() override {
    if (rows_.empty()) return;
    std::vector<std::size_t> widths(rows_.front().size(), 0);
    for (const auto& row : rows_) {
      for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i) {
        widths[i] = std::max(widths[i], displayWidth(row[i]));
      }
    }
    for (std::size_t r = 0; r < rows_.size(); ++r) {
      writeRow(rows_[r], widths);
      if (r == 0) {
        std::vector<std::string> rule;
        for (std::size_t width : widths) rule.emplace_back(width, '-');
        writeRow(rule, widths);
      }
    }
    out_.flush();
  }

 private:
  void writeRow(const std::vector<std::string>& row, const std::vector<std::size_t>& widths) {
    std::string line;
    for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i) {
      if (i > 0) line += "  ";
      const std::size_t length = displayWidth(row[i]);
      // The row number is right-aligned, values left-aligned.
      if (i == 0) line.append(widths[i] - length, ' ');
      line += row[i];
      if (i != 0 && i + 1 < row.size()) line.append(widths[i] - length, ' ');
    }
    out_ << line << '\n';
  }
  std::ostream& out_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace

std::size_t displayWidth(std::string_view text) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  auto remaining = static_cast<utf8proc_ssize_t>(text.size());
  std::size_t width = 0;
  while (remaining > 0) {
    utf8proc_int32_t code_point = 0;
    const utf8proc_ssize_t length = utf8proc_iterate(bytes, remaining, &code_point);
    if (length <= 0) {  // a byte that starts no valid sequence takes one column
      ++width;
      ++bytes;
      --remaining;
      continue;
    }
    width += static_cast<std::size_t>(utf8proc_charwidth(code_point));
    bytes += length;
    remaining -= length;
  }
  return width;
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
