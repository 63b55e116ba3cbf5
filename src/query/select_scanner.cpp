// The character scanner, the top-level comma split and the column split.
#include "query/select_scanner.h"

#include <cassert>
#include <cstdint>

#include "host/text.h"

namespace query {

bool matchKeyword(std::string_view text, std::size_t& pos, std::string_view keyword) {
  assert(!keyword.empty());
  const std::size_t end = pos + keyword.size();
  if (pos >= text.size() || end >= text.size()) return false;  // needs a character after it
  // Keywords are ASCII, so a window holding any multi-byte character cannot
  // match; the first byte filters out almost every position cheaply.
  if ((text[pos] | 0x20) != (keyword[0] | 0x20)) return false;
  if (!isBlank(text[end])) return false;
  if (pos > 0 && !isBlank(text[pos - 1])) return false;
  if (!host::equalsNoCase(text.substr(pos, keyword.size()), keyword)) return false;
  pos = end - 1;
  return true;
}

void scan(std::string_view raw, ScanHandler& handler) {
  const std::string_view text = host::trimBlanks(raw);
  std::string buffer;
  int64_t depth = 0;  // parenthesis depth; a stray ")" makes it negative
  bool in_single = false;
  bool in_double = false;
  bool in_bracket = false;
  bool in_line_comment = false;
  bool in_block_comment = false;

  // A dropped comment still separates what stands on either side of it.
  auto commentEnded = [&] {
    if (depth != 0) {
      buffer.push_back(' ');
    } else {
      handler.commentBlank(buffer);
    }
  };

  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const char c = text[pos];
    const bool has_next = pos + 1 < text.size();
    if (in_block_comment) {
      if (c == '*' && has_next && text[pos + 1] == '/') {
        in_block_comment = false;
        ++pos;
        commentEnded();
      }
      continue;
    }
    if (in_line_comment) {
      if (c == '\n') {
        in_line_comment = false;
        commentEnded();
      }
      continue;
    }
    if (!in_single && !in_double && !in_bracket && has_next) {
      if (c == '/' && text[pos + 1] == '*') {
        in_block_comment = true;
        ++pos;
        continue;
      }
      if (c == '-' && text[pos + 1] == '-') {
        in_line_comment = true;
        ++pos;
        continue;
      }
    }
    switch (c) {
      case '"':
        if (!in_single && !in_bracket) in_double = !in_double;
        break;
      case '\'':
        if (!in_double && !in_bracket) in_single = !in_single;
        break;
      case '[':
        if (!in_single && !in_double) in_bracket = true;
        break;
      case ']':
        if (!in_single && !in_double) in_bracket = false;
        break;
      case '(':
        if (!in_single && !in_double && !in_bracket) ++depth;
        break;
      case ')':
        if (!in_single && !in_double && !in_bracket) --depth;
        break;
      default:
        break;
    }
    if (depth != 0 || in_single || in_double || in_bracket) {
      buffer.push_back(c);
    } else {
      handler.topLevel(text, pos, buffer);
      assert(pos < text.size());
    }
  }
  handler.finish(buffer);
}

namespace {

// Cuts the text at top-level commas that are not its last character.
class CommaHandler : public ScanHandler {
 public:
  explicit CommaHandler(std::vector<std::string>& parts) : parts_(parts) {}

  void topLevel(std::string_view text, std::size_t& pos, std::string& buffer) override {
    if (text[pos] == ',' && pos + 1 < text.size()) {
      parts_.push_back(buffer);
      buffer.clear();
    } else {
      buffer.push_back(text[pos]);
    }
  }
  void commentBlank(std::string& buffer) override { buffer.push_back(' '); }
  void finish(std::string& buffer) override { parts_.push_back(buffer); }

 private:
  std::vector<std::string>& parts_;
};

// Collects words separated by top-level blanks: the first becomes the
// expression, the last of the others the alias. The buffer is the current
// word.
class ColumnHandler : public ScanHandler {
 public:
  explicit ColumnHandler(ColumnParts& parts) : parts_(parts) {}

  void topLevel(std::string_view text, std::size_t& pos, std::string& buffer) override {
    if (isBlank(text[pos])) {
      endWord(buffer);
    } else {
      buffer.push_back(text[pos]);
    }
  }
  void commentBlank(std::string& buffer) override { endWord(buffer); }
  void finish(std::string& buffer) override {
    endWord(buffer);
    if (has_expression_) parts_.alias = std::move(last_word_);
  }

 private:
  void endWord(std::string& buffer) {
    if (buffer.empty()) return;
    if (!has_expression_) {
      parts_.expression = buffer;
      has_expression_ = true;
    } else {
      last_word_ = buffer;
    }
    buffer.clear();
  }

  ColumnParts& parts_;
  bool has_expression_ = false;
  std::string last_word_;  // latest word after the expression
};

}  // namespace

std::vector<std::string> splitTopLevel(std::string_view text) {
  std::vector<std::string> parts;
  if (host::trimBlanks(text).empty()) return parts;
  CommaHandler handler(parts);
  scan(text, handler);
  return parts;
}

ColumnParts splitColumn(std::string_view text) {
  ColumnParts parts;
  ColumnHandler handler(parts);
  scan(text, handler);
  return parts;
}

}  // namespace query
