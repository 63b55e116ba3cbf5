// Streaming JSON reading for the player's files (library files,
// playlists.json): a base for SAX handlers that build records directly, so
// that a file of a million tracks never becomes a document tree in memory.
//
// A reader derives from JsonReader and implements the four events; the base
// turns nlohmann's callbacks into them, skips values the reader is not
// interested in (skipNextValue) and turns a syntax error into a PlayerError
// naming the file, line and column:
//
//   Malformed JSON in "lib.json" at line 3, column 7: syntax error ...
//
// Readers report a value of the wrong shape by throwing PlayerError
// themselves; exceptions pass through the parser unchanged.
//
// No file the program reads needs deep nesting, and a file of nothing but
// "[" would otherwise cost memory for every level: every reader, streaming
// or whole-document, refuses containers nested deeper than kMaxJsonDepth.
#ifndef VOSTREL_PLAYER_JSON_READER_H_
#define VOSTREL_PLAYER_JSON_READER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "player/player_error.h"

namespace player {

inline constexpr std::size_t kMaxJsonDepth = 64;

// The message for a document of `file` nested deeper than kMaxJsonDepth.
std::string tooDeepMessage(const std::string& file);

// One scalar value of the document. `text` is only valid for kString and
// only during the event. Copy it rather than take it: the lexer reuses its
// buffer, which would otherwise grow again for every string.
struct JsonScalar {
  enum class Kind { kNull, kBool, kInteger, kUnsigned, kFloat, kString };
  Kind kind = Kind::kNull;
  bool boolean = false;
  int64_t integer = 0;
  uint64_t unsigned_integer = 0;
  double real = 0.0;
  const std::string* text = nullptr;

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
// Json (nlohmann::json or nlohmann::ordered_json). Throws PlayerError naming
// `file` for a syntax error (with line and column) and for nesting deeper
// than kMaxJsonDepth.
template <class Json>
Json parseJsonDocument(std::string_view text, const std::string& file) {
  // The callback sees each container open with the count of those around it.
  auto limit_depth = [&file](int depth, nlohmann::json::parse_event_t event, Json&) {
    const bool opens = event == nlohmann::json::parse_event_t::object_start ||
                       event == nlohmann::json::parse_event_t::array_start;
    if (opens && static_cast<std::size_t>(depth) >= kMaxJsonDepth) throw PlayerError(tooDeepMessage(file));
    return true;
  };
  try {
    return Json::parse(text, limit_depth);
  } catch (const nlohmann::json::parse_error& error) {
    throw PlayerError("Malformed JSON in \"" + file + "\" " + describeSyntaxError(text, error.byte, error.what()));
  } catch (const nlohmann::json::exception& error) {
    // A number out of range, which nlohmann reports without a position.
    throw PlayerError("Malformed JSON in \"" + file + "\": " + std::string(jsonErrorDetail(error.what())));
  }
}

class JsonReader : public nlohmann::json_sax<nlohmann::json> {
 public:
  JsonReader(const JsonReader&) = delete;
  JsonReader& operator=(const JsonReader&) = delete;

 protected:
  // `file` names the source in messages; `text` must outlive the reader.
  JsonReader(std::string file, std::string_view text) : file_(std::move(file)), text_(text) {}

  // Parses the whole text, delivering events. Throws PlayerError for a
  // syntax error, and whatever the events throw.
  void run();

  // Events. A container's contents arrive between its begin and end.
  virtual void onScalar(const JsonScalar& value) = 0;
  virtual void onBegin(bool object) = 0;
  virtual void onKey(const std::string& key) = 0;
  virtual void onEnd(bool object) = 0;

  // The next value (scalar or whole container) is swallowed without events.
  void skipNextValue() { skip_pending_ = true; }

  const std::string& file() const { return file_; }

 private:
  bool null() override;
  bool boolean(bool value) override;
  bool number_integer(number_integer_t value) override;
  bool number_unsigned(number_unsigned_t value) override;
  bool number_float(number_float_t value, const string_t& text) override;
  bool string(string_t& value) override;
  bool binary(binary_t& value) override;
  bool start_object(std::size_t elements) override;
  bool key(string_t& value) override;
  bool end_object() override;
  bool start_array(std::size_t elements) override;
  bool end_array() override;
  bool parse_error(std::size_t position, const std::string& last_token,
                   const nlohmann::detail::exception& error) override;

  void scalar(const JsonScalar& value);
  void begin(bool object);
  void end(bool object);

  std::string file_;
  std::string_view text_;
  bool skip_pending_ = false;
  std::size_t skip_depth_ = 0;  // open containers inside a skipped value
  std::size_t depth_ = 0;       // open containers, skipped ones included
};

}  // namespace player

#endif  // VOSTREL_PLAYER_JSON_READER_H_
