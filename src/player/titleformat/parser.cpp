// The title-formatting parser: expression text to a flat Script.
//
// A recursive-descent parser over three contexts: the top level, the inside
// of a [...] section and a function argument. In an argument, ',' and ')'
// end the argument unless they sit inside literal parentheses opened in the
// same argument, so "$upper(live (1996))" needs no quoting. Each level of
// brackets or calls costs two stack frames and is limited to kMaxDepth.
#include <string>
#include <vector>

#include "host/text.h"
#include "player/titleformat/functions.h"
#include "player/titleformat/script.h"
#include "player/titleformat/titleformat.h"

namespace player::titleformat {
namespace {

struct CompileError {
  std::size_t pos;  // byte offset into the source
  std::string message;
};

struct SpecialName {
  std::string_view name;
  Special code;
};

constexpr SpecialName kSpecialNames[] = {
    {"path", Special::kPath},
    {"filename", Special::kFileName},
    {"filename_ext", Special::kFileNameExt},
    {"directoryname", Special::kDirectoryName},
    {"length", Special::kLength},
    {"length_seconds", Special::kLengthSeconds},
    {"album artist", Special::kAlbumArtist},
    {"track artist", Special::kTrackArtist},
    {"title", Special::kTitle},
    {"tracknumber", Special::kTrackNumber},
    {"discnumber", Special::kDiscNumber},
};

bool isNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool isMetaFunction(Function f) {
  return f == Function::kMeta || f == Function::kMetaSep || f == Function::kMetaNum;
}

}  // namespace

class Parser {
 public:
  Parser(std::string_view source, Script& script) : src_(source), script_(script) {}

  // Fills the script. Throws CompileError.
  void parse() {
    bool has_field = false;
    script_.root_ = sequence(Context::kTop, 0, 0, has_field);
    script_.nodes_.shrink_to_fit();
    script_.args_.shrink_to_fit();
    script_.text_.shrink_to_fit();
  }

 private:
  enum class Context { kTop, kBracket, kArgument };

  // Parses items up to the end of the context: the end of the text at the
  // top level, past the closing ']' in a bracket, before the ',' or ')' that
  // ends an argument. `open` is where the bracket or call began. Sets
  // `has_field` when a field reference occurs.
  Span sequence(Context context, int depth, std::size_t open, bool& has_field) {
    std::vector<Node> items;
    std::string literal;
    int parens = 0;  // literal '(' still open in this argument
    while (pos_ < src_.size()) {
      const char ch = src_[pos_];
      if (ch == '%') {
        if (peek(1) == '%') {
          literal.push_back('%');
          pos_ += 2;
          continue;
        }
        flush(items, literal);
        items.push_back(field(has_field));
        continue;
      }
      if (ch == '\'') {
        quoted(literal);
        continue;
      }
      if (ch == '[') {
        flush(items, literal);
        items.push_back(bracket(depth + 1, has_field));
        continue;
      }
      if (ch == ']') {
        if (context != Context::kBracket) fail(pos_, "unmatched ']'");
        ++pos_;
        return commit(items, literal);
      }
      if (ch == '$') {
        flush(items, literal);
        items.push_back(call(depth + 1, has_field));
        continue;
      }
      if (context == Context::kArgument) {
        if (ch == '(') {
          ++parens;
        } else if (ch == ')' && parens > 0) {
          --parens;
        } else if (ch == ',' || ch == ')') {
          if (parens == 0) return commit(items, literal);
        }
      }
      literal.push_back(ch);
      ++pos_;
    }
    if (context == Context::kBracket) fail(open, "unmatched '['");
    if (context == Context::kArgument) fail(open, "unmatched '('");
    return commit(items, literal);
  }

  char peek(std::size_t ahead) const {
    return pos_ + ahead < src_.size() ? src_[pos_ + ahead] : '\0';
  }

  // %name% at pos_.
  Node field(bool& has_field) {
    const std::size_t start = pos_;
    const std::size_t end = src_.find('%', start + 1);
    if (end == std::string_view::npos) fail(start, "unterminated field");
    const std::string_view name = src_.substr(start + 1, end - start - 1);
    pos_ = end + 1;
    has_field = true;
    for (const SpecialName& special : kSpecialNames) {
      if (host::equalsNoCase(name, special.name)) {
        return Node{NodeKind::kSpecial, static_cast<uint8_t>(special.code), 0, 0, 0, 0};
      }
    }
    return Node{NodeKind::kField, 0, 0, host::internField(name), 0, 0};
  }

  // 'quoted text' at pos_, where '' stands for an apostrophe (inside quotes
  // and outside).
  void quoted(std::string& literal) {
    const std::size_t start = pos_;
    if (peek(1) == '\'') {
      literal.push_back('\'');
      pos_ += 2;
      return;
    }
    ++pos_;
    for (;;) {
      const std::size_t quote = src_.find('\'', pos_);
      if (quote == std::string_view::npos) fail(start, "unterminated quote");
      literal.append(src_.substr(pos_, quote - pos_));
      pos_ = quote + 1;
      if (peek(0) != '\'') return;
      literal.push_back('\'');
      ++pos_;
    }
  }

  // [...] at pos_.
  Node bracket(int depth, bool& has_field) {
    const std::size_t open = pos_;
    if (depth > kMaxDepth) fail(open, "nesting too deep");
    ++pos_;
    bool inner_field = false;
    const Span inside = sequence(Context::kBracket, depth, open, inner_field);
    has_field = has_field || inner_field;
    return Node{NodeKind::kBracket, 0, inner_field ? kHasField : uint16_t{0}, inside.first, inside.count, 0};
  }

  // $name(arg,...) at pos_.
  Node call(int depth, bool& has_field) {
    const std::size_t start = pos_;
    if (depth > kMaxDepth) fail(start, "nesting too deep");
    ++pos_;
    const std::size_t name_start = pos_;
    while (pos_ < src_.size() && isNameChar(src_[pos_])) ++pos_;
    const std::string_view name = src_.substr(name_start, pos_ - name_start);
    if (name.empty()) fail(start, "expected a function name after '$'");
    const FunctionInfo* info = findFunction(name);
    if (info == nullptr) fail(start, "unknown function $" + std::string(name));
    if (peek(0) != '(') fail(pos_, "expected '(' after $" + std::string(name));
    const std::size_t open = pos_++;

    std::vector<Span> args;
    if (peek(0) == ')') {
      ++pos_;
    } else {
      for (;;) {
        args.push_back(sequence(Context::kArgument, depth, open, has_field));
        // sequence() stops only before ',' or ')' in an argument.
        if (src_[pos_++] == ')') break;
      }
    }
    if (!acceptsArgCount(*info, static_cast<uint32_t>(args.size()))) {
      fail(start, "$" + std::string(name) + " expects " + std::string(argCountText(*info)) + ", got " +
                      std::to_string(args.size()));
    }
    Node node{NodeKind::kCall, static_cast<uint8_t>(info->id), 0,
              static_cast<uint32_t>(script_.args_.size()), static_cast<uint32_t>(args.size()), 0};
    script_.args_.insert(script_.args_.end(), args.begin(), args.end());
    if (isMetaFunction(info->id)) {
      node.c = host::internField(fieldNameArgument(args[0], start, name));
      has_field = true;
    }
    return node;
  }

  // The first argument of $meta and its kin: a field name in plain text.
  std::string_view fieldNameArgument(Span arg, std::size_t start, std::string_view function) {
    const Node* only = arg.count == 1 ? &script_.nodes_[arg.first] : nullptr;
    if (only == nullptr || only->kind != NodeKind::kText) {
      fail(start, "$" + std::string(function) + " expects a field name as its first argument");
    }
    return script_.text(*only);
  }

  // Turns pending literal text into a text node.
  void flush(std::vector<Node>& items, std::string& literal) {
    if (literal.empty()) return;
    items.push_back(Node{NodeKind::kText, 0, 0, static_cast<uint32_t>(script_.text_.size()),
                         static_cast<uint32_t>(literal.size()), 0});
    script_.text_.append(literal);
    literal.clear();
  }

  // Stores `items` (and pending literal text) as consecutive nodes.
  Span commit(std::vector<Node>& items, std::string& literal) {
    flush(items, literal);
    const Span span{static_cast<uint32_t>(script_.nodes_.size()), static_cast<uint32_t>(items.size())};
    script_.nodes_.insert(script_.nodes_.end(), items.begin(), items.end());
    return span;
  }

  [[noreturn]] void fail(std::size_t pos, std::string message) {
    throw CompileError{pos, std::move(message)};
  }

  std::string_view src_;
  std::size_t pos_ = 0;
  Script& script_;
};

ScriptPtr compile(std::string_view text, std::string* error) {
  // Offsets are stored in 32 bits.
  constexpr std::size_t kMaxSource = std::size_t{1} << 30;
  auto script = std::make_shared<Script>();
  try {
    if (text.size() > kMaxSource) throw CompileError{0, "expression too long"};
    Parser(text, *script).parse();
  } catch (const CompileError& e) {
    if (error != nullptr) {
      const std::size_t position = host::utf8Length(text.substr(0, e.pos)) + 1;
      *error = e.message + " at position " + std::to_string(position);
    }
    return nullptr;
  }
  return script;
}

}  // namespace player::titleformat
