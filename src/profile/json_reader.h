// Streaming JSON reading for the player's files (library files,
// playlists.json): a base for SAX handlers that build records directly, so
// that a file of a million tracks never becomes a document tree in memory.
//
// A reader derives from JsonReader and implements the four events; the base
// scans the text in place and delivers them, skips values the reader is not
// interested in (skipNextValue) and turns a syntax error into a DataError
// naming the file, line and column:
//
//   Malformed JSON in "lib.json" at line 3, column 7: syntax error ...
//
// Readers report a value of the wrong shape by throwing DataError
// themselves; exceptions pass through the parser unchanged.
//
// No file the program reads needs deep nesting, and a file of nothing but
// "[" would otherwise cost memory for every level: every reader, streaming
// or whole-document, refuses containers nested deeper than kMaxJsonDepth.
#ifndef VOSTREL_PROFILE_JSON_READER_H_
#define VOSTREL_PROFILE_JSON_READER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "profile/data_error.h"

namespace profile {

inline constexpr std::size_t kMaxJsonDepth = 64;

// The message for a document of `file` nested deeper than kMaxJsonDepth.
std::string tooDeepMessage(const std::string& file);

// One scalar value of the document. `text` is only valid for kString and
// only during the event: it views the document or, for a string with
// escapes, a buffer the reader reuses.
struct JsonScalar {
  enum class Kind { kNull, kBool, kInteger, kUnsigned, kFloat, kString };
  Kind kind = Kind::kNull;
  bool boolean = false;
  int64_t integer = 0;
  uint64_t unsigned_integer = 0;
  double real = 0.0;
  std::string_view text;

  bool isNumber() const { return kind == Kind::kInteger || kind == Kind::kUnsigned || kind == Kind::kFloat; }
  double asDouble() const;
};

// "a string", "a number", "null", ... for messages.
std::string_view describeKind(JsonScalar::Kind kind);

// "line L, column C" of the byte at `offset` in `text`. Lines and columns
// count from 1; columns count characters, not bytes.
std::string describePosition(std::string_view text, std::size_t offset);

// "at line L, column C: DETAIL" for a syntax error nlohmann reports at
// `position` (bytes read, the offending one included) with message `what`.
std::string describeSyntaxError(std::string_view text, std::size_t position, std::string_view what);

// The reason in the text of a nlohmann exception, without its name and
// position: "number overflow parsing '1e999'".
std::string_view jsonErrorDetail(std::string_view what);

// Appends `value` to `out` as a JSON string literal. Bytes that are not
// valid UTF-8 become U+FFFD, so the output is always valid JSON.
void appendJsonString(std::string& out, std::string_view value);

// Parses `text`, a small whole document such as a settings file, into a
// Json (nlohmann::json or nlohmann::ordered_json). Throws DataError naming
// `file` for a syntax error (with line and column) and for nesting deeper
// than kMaxJsonDepth.
template <class Json>
Json parseJsonDocument(std::string_view text, const std::string& file) {
  // The callback sees each container open with the count of those around it.
  auto limit_depth = [&file](int depth, nlohmann::json::parse_event_t event, Json&) {
    const bool opens = event == nlohmann::json::parse_event_t::object_start ||
                       event == nlohmann::json::parse_event_t::array_start;
    if (opens && static_cast<std::size_t>(depth) >= kMaxJsonDepth) throw DataError(tooDeepMessage(file));
    return true;
  };
  try {
    return Json::parse(text, limit_depth);
  } catch (const nlohmann::json::parse_error& error) {
    throw DataError("Malformed JSON in \"" + file + "\" " + describeSyntaxError(text, error.byte, error.what()));
  } catch (const nlohmann::json::exception& error) {
    // A number out of range, which nlohmann reports without a position.
    throw DataError("Malformed JSON in \"" + file + "\": " + std::string(jsonErrorDetail(error.what())));
  }
}

class FileContent;

// The base of the streaming readers. It scans the text in place: strings
// without escapes reach the events as views into the text, and nothing is
// copied or allocated per value. It accepts exactly what nlohmann's parser
// accepts; when the text is not valid JSON, nlohmann's parser runs over it
// once more to name the error in its words.
class JsonReader {
 public:
  JsonReader(const JsonReader&) = delete;
  JsonReader& operator=(const JsonReader&) = delete;
  virtual ~JsonReader() = default;

 protected:
  // `file` names the source in messages; `text` must outlive the reader.
  // With `content` (the mapped file `text` is), the pages the reader has
  // passed are given back as it goes (see releasePassedText).
  JsonReader(std::string file, std::string_view text, FileContent* content = nullptr)
      : file_(std::move(file)), text_(text), content_(content) {}

  // Parses the whole text, delivering events. Throws DataError for a
  // syntax error, and whatever the events throw.
  void run();

  // Events. A container's contents arrive between its begin and end.
  virtual void onScalar(const JsonScalar& value) = 0;
  virtual void onBegin(bool object) = 0;
  virtual void onKey(std::string_view key) = 0;
  virtual void onEnd(bool object) = 0;

  // The next value (scalar or whole container) is swallowed without events.
  void skipNextValue() { skip_pending_ = true; }

  // Tells the reader that no view into the text read so far is held any
  // longer; the mapped pages behind it may go.
  void releasePassedText();

  const std::string& file() const { return file_; }

 private:
  class Scanner;

  void scalar(const JsonScalar& value);
  void begin(bool object);
  void end(bool object);
  // Throws the DataError for the syntax error the scanner met at `offset`.
  [[noreturn]] void syntaxError(std::size_t offset) const;

  std::string file_;
  std::string_view text_;
  FileContent* content_;
  std::size_t position_ = 0;  // how far the scanner has read
  bool skip_pending_ = false;
  std::size_t skip_depth_ = 0;  // open containers inside a skipped value
  std::size_t depth_ = 0;       // open containers, skipped ones included
  std::string scratch_;         // a string with escapes, decoded
};

}  // namespace profile

#endif  // VOSTREL_PROFILE_JSON_READER_H_
