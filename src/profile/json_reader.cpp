// Streaming JSON reading; see json_reader.h.
#include "profile/json_reader.h"

#include <array>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>

#include "host/text.h"
#include "profile/data_error.h"
#include "profile/file_io.h"

namespace profile {

namespace {

// What a byte means inside a string.
enum ByteClass : uint8_t { kPlain, kQuote, kEscape, kControl, kMultiByte };

constexpr std::array<uint8_t, 256> makeStringClasses() {
  std::array<uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    if (c < 0x20) {
      classes[c] = kControl;
    } else if (c == '"') {
      classes[c] = kQuote;
    } else if (c == '\\') {
      classes[c] = kEscape;
    } else if (c >= 0x80) {
      classes[c] = kMultiByte;
    }
  }
  return classes;
}
constexpr std::array<uint8_t, 256> kStringClasses = makeStringClasses();

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Accepts everything and turns nlohmann's syntax error into a DataError.
class ErrorNamer final : public nlohmann::json_sax<nlohmann::json> {
 public:
  ErrorNamer(const std::string& file, std::string_view text) : file_(file), text_(text) {}
  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return true; }
  bool key(string_t&) override { return true; }
  bool end_object() override { return true; }
  bool start_array(std::size_t) override { return true; }
  bool end_array() override { return true; }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error) override {
    throw DataError("Malformed JSON in \"" + file_ + "\" " + describeSyntaxError(text_, position, error.what()));
  }

 private:
  const std::string& file_;
  std::string_view text_;
};

}  // namespace

// A recursive descent over the text. Depth is bounded: the reader refuses
// containers nested deeper than kMaxJsonDepth as they open.
class JsonReader::Scanner {
 public:
  explicit Scanner(JsonReader& reader)
      : reader_(reader), begin_(reader.text_.data()), p_(begin_), end_(begin_ + reader.text_.size()) {}

  void document() {
    // A UTF-8 byte order mark before the document is not part of it.
    if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;
    skipBlanks();
    value();
    skipBlanks();
    // nlohmann's parser takes a zero byte for the end of the input.
    if (p_ != end_ && *p_ != '\0') fail();
  }

  std::size_t offset() const { return static_cast<std::size_t>(p_ - begin_); }

 private:
  [[noreturn]] void fail() const { reader_.syntaxError(offset()); }

  void skipBlanks() {
    while (p_ < end_ && isBlank(*p_)) ++p_;
  }

  void expect(char c) {
    if (p_ == end_ || *p_ != c) fail();
    ++p_;
  }

  void value() {
    if (p_ == end_) fail();
    JsonScalar scalar;
    switch (*p_) {
      case '{': return object();
      case '[': return array();
      case '"':
        scalar.kind = JsonScalar::Kind::kString;
        scalar.text = string();
        break;
      case 't':
        literal("true");
        scalar.kind = JsonScalar::Kind::kBool;
        scalar.boolean = true;
        break;
      case 'f':
        literal("false");
        scalar.kind = JsonScalar::Kind::kBool;
        break;
      case 'n': literal("null"); break;
      default:
        if (*p_ != '-' && !isDigit(*p_)) fail();
        number(scalar);
    }
    reader_.position_ = offset();
    reader_.scalar(scalar);
  }

  void object() {
    ++p_;
    reader_.position_ = offset();
    reader_.begin(true);
    skipBlanks();
    if (p_ < end_ && *p_ == '}') {
      ++p_;
      reader_.end(true);
      return;
    }
    for (;;) {
      if (p_ == end_ || *p_ != '"') fail();
      const std::string_view key = string();
      if (reader_.skip_depth_ == 0) reader_.onKey(key);
      skipBlanks();
      expect(':');
      skipBlanks();
      value();
      skipBlanks();
      if (p_ < end_ && *p_ == ',') {
        ++p_;
        skipBlanks();
        continue;
      }
      expect('}');
      reader_.end(true);
      return;
    }
  }

  void array() {
    ++p_;
    reader_.position_ = offset();
    reader_.begin(false);
    skipBlanks();
    if (p_ < end_ && *p_ == ']') {
      ++p_;
      reader_.end(false);
      return;
    }
    for (;;) {
      value();
      skipBlanks();
      if (p_ < end_ && *p_ == ',') {
        ++p_;
        skipBlanks();
        continue;
      }
      expect(']');
      reader_.end(false);
      return;
    }
  }

  void literal(std::string_view word) {
    if (static_cast<std::size_t>(end_ - p_) < word.size() || std::string_view(p_, word.size()) != word) fail();
    p_ += word.size();
  }

  // A number as nlohmann reads it: a whole number that fits is unsigned
  // (no sign) or signed (minus sign), anything else a finite double.
  void number(JsonScalar& scalar) {
    const char* start = p_;
    const bool negative = *p_ == '-';
    if (negative) ++p_;
    if (p_ == end_) fail();
    if (*p_ == '0') {
      ++p_;
    } else if (isDigit(*p_)) {
      while (p_ < end_ && isDigit(*p_)) ++p_;
    } else {
      fail();
    }
    bool whole = true;
    bool negative_exponent = false;
    if (p_ < end_ && *p_ == '.') {
      ++p_;
      if (p_ == end_ || !isDigit(*p_)) fail();
      while (p_ < end_ && isDigit(*p_)) ++p_;
      whole = false;
    }
    if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
      ++p_;
      if (p_ < end_ && (*p_ == '+' || *p_ == '-')) negative_exponent = *p_++ == '-';
      if (p_ == end_ || !isDigit(*p_)) fail();
      while (p_ < end_ && isDigit(*p_)) ++p_;
      whole = false;
    }
    if (whole) {
      uint64_t magnitude = 0;
      if (std::from_chars(start + (negative ? 1 : 0), p_, magnitude).ec == std::errc()) {
        if (!negative) {
          scalar.kind = JsonScalar::Kind::kUnsigned;
          scalar.unsigned_integer = magnitude;
          return;
        }
        if (magnitude <= uint64_t{1} << 63) {
          scalar.kind = JsonScalar::Kind::kInteger;
          scalar.integer = static_cast<int64_t>(0 - magnitude);
          return;
        }
      }
    }
    double real = 0.0;
    const std::from_chars_result result = std::from_chars(start, p_, real);
    if (result.ec == std::errc::result_out_of_range) {
      // Too small is zero; too large is not a number nlohmann takes.
      const bool tiny = negative_exponent || (whole == false && start[negative ? 1 : 0] == '0');
      if (!tiny) fail();
      real = negative ? -0.0 : 0.0;
    } else if (result.ec != std::errc() || !std::isfinite(real)) {
      fail();
    }
    scalar.kind = JsonScalar::Kind::kFloat;
    scalar.real = real;
  }

  // The string at p_ (its opening quote); a view into the text unless it
  // has escapes.
  std::string_view string() {
    ++p_;
    const char* start = p_;
    for (;;) {
      while (p_ < end_ && kStringClasses[static_cast<uint8_t>(*p_)] == kPlain) ++p_;
      if (p_ == end_) fail();
      switch (kStringClasses[static_cast<uint8_t>(*p_)]) {
        case kQuote: {
          const std::string_view text(start, static_cast<std::size_t>(p_ - start));
          ++p_;
          return text;
        }
        case kMultiByte: multiByte(); break;
        case kEscape: return escapedString(start);
        default: fail();
      }
    }
  }

  std::string_view escapedString(const char* start) {
    std::string& out = reader_.scratch_;
    out.assign(start, p_);
    for (;;) {
      const char* run = p_;
      while (p_ < end_ && kStringClasses[static_cast<uint8_t>(*p_)] == kPlain) ++p_;
      out.append(run, p_);
      if (p_ == end_) fail();
      switch (kStringClasses[static_cast<uint8_t>(*p_)]) {
        case kQuote: ++p_; return out;
        case kMultiByte: {
          const char* code = p_;
          multiByte();
          out.append(code, p_);
          break;
        }
        case kEscape: escape(out); break;
        default: fail();
      }
    }
  }

  void escape(std::string& out) {
    ++p_;
    if (p_ == end_) fail();
    const char c = *p_++;
    switch (c) {
      case '"': out.push_back('"'); return;
      case '\\': out.push_back('\\'); return;
      case '/': out.push_back('/'); return;
      case 'b': out.push_back('\b'); return;
      case 'f': out.push_back('\f'); return;
      case 'n': out.push_back('\n'); return;
      case 'r': out.push_back('\r'); return;
      case 't': out.push_back('\t'); return;
      case 'u': break;
      default: fail();
    }
    char32_t code = hex4();
    if (code >= 0xDC00 && code <= 0xDFFF) fail();  // a low surrogate alone
    if (code >= 0xD800 && code <= 0xDBFF) {
      if (end_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u') fail();
      p_ += 2;
      const char32_t low = hex4();
      if (low < 0xDC00 || low > 0xDFFF) fail();
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    host::appendUtf8(out, code);
  }

  char32_t hex4() {
    if (end_ - p_ < 4) fail();
    char32_t code = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = hexValue(*p_++);
      if (digit < 0) fail();
      code = code * 16 + static_cast<char32_t>(digit);
    }
    return code;
  }

  // Steps over one well-formed UTF-8 sequence of two to four bytes (no
  // overlong forms, no surrogates, nothing above U+10FFFF).
  void multiByte() {
    const auto lead = static_cast<uint8_t>(*p_);
    int follow = 0;
    uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      follow = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      follow = 2;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      follow = 3;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      fail();
    }
    ++p_;
    for (int i = 0; i < follow; ++i) {
      if (p_ == end_) fail();
      const auto byte = static_cast<uint8_t>(*p_);
      if (byte < (i == 0 ? low : 0x80) || byte > (i == 0 ? high : 0xBF)) fail();
      ++p_;
    }
  }

  JsonReader& reader_;
  const char* const begin_;
  const char* p_;
  const char* const end_;
};

void JsonReader::run() {
  Scanner scanner(*this);
  scanner.document();
  position_ = text_.size();
}

void JsonReader::syntaxError(std::size_t offset) const {
  ErrorNamer namer(file_, text_);
  nlohmann::json::sax_parse(text_.data(), text_.data() + text_.size(), &namer);
  // nlohmann's parser took what this one did not: name the place anyway.
  throw DataError("Malformed JSON in \"" + file_ + "\" at " + describePosition(text_, offset) + ": syntax error");
}

void JsonReader::releasePassedText() {
  if (content_ != nullptr) content_->releaseBefore(position_);
}

void JsonReader::scalar(const JsonScalar& value) {
  if (skip_depth_ > 0) return;
  if (skip_pending_) {
    skip_pending_ = false;
    return;
  }
  onScalar(value);
}

void JsonReader::begin(bool object) {
  if (++depth_ > kMaxJsonDepth) throw DataError(tooDeepMessage(file_));
  if (skip_depth_ > 0) {
    ++skip_depth_;
    return;
  }
  if (skip_pending_) {
    skip_pending_ = false;
    skip_depth_ = 1;
    return;
  }
  onBegin(object);
}

void JsonReader::end(bool object) {
  --depth_;
  if (skip_depth_ > 0) {
    --skip_depth_;
    return;
  }
  assert(!skip_pending_);
  onEnd(object);
}

}  // namespace profile
