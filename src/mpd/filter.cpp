#include "mpd/filter.h"

#include "host/text.h"
#include "mpd/protocol.h"
#include "mpd/tags.h"

namespace mpd {
namespace {

[[noreturn]] void malformed(std::string_view what) { throw Ack(AckError::kArg, std::string(what)); }

// A cursor over an expression's text.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}
  void skipBlanks() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
  }
  bool take(std::string_view token) {
    skipBlanks();
    if (text_.substr(at_, token.size()) != token) return false;
    at_ += token.size();
    return true;
  }
  void expect(std::string_view token) {
    if (!take(token)) malformed("'" + std::string(token) + "' expected in the filter");
  }
  std::string word() {
    skipBlanks();
    const std::size_t start = at_;
    while (at_ < text_.size() && text_[at_] != ' ' && text_[at_] != '\t' && text_[at_] != ')' && text_[at_] != '(') {
      ++at_;
    }
    return std::string(text_.substr(start, at_ - start));
  }
  std::string quoted() {
    skipBlanks();
    if (at_ == text_.size() || (text_[at_] != '\'' && text_[at_] != '"')) malformed("Quoted string expected");
    const char quote = text_[at_++];
    std::string value;
    while (at_ < text_.size() && text_[at_] != quote) {
      if (text_[at_] == '\\' && at_ + 1 < text_.size()) ++at_;
      value.push_back(text_[at_++]);
    }
    if (at_ == text_.size()) malformed("Closing quote not found");
    ++at_;
    return value;
  }
  bool done() {
    skipBlanks();
    return at_ == text_.size();
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

int Filter::tagOf(std::string_view name) {
  if (host::equalsNoCase(name, "any")) return kAny;
  if (host::equalsNoCase(name, "file")) return kFile;
  if (const std::optional<std::size_t> tag = findTag(name)) return static_cast<int>(*tag);
  malformed("Unknown filter type: " + std::string(name));
}

Filter Filter::parse(std::span<const std::string> args, bool ignore_case, std::vector<std::string>* rest) {
  Filter filter;
  filter.ignore_case_ = ignore_case;
  std::size_t at = 0;
  const auto isKeyword = [](const std::string& arg) { return arg == "sort" || arg == "window" || arg == "group"; };
  while (at < args.size() && !isKeyword(args[at])) {
    if (!args[at].empty() && args[at].front() == '(') {
      filter.parseExpression(args[at]);
      ++at;
      continue;
    }
    if (at + 1 >= args.size()) malformed("Missing filter value after \"" + args[at] + "\"");
    Condition condition;
    condition.tag = tagOf(args[at]);
    condition.op = ignore_case ? Op::kContains : Op::kEquals;
    condition.value = ignore_case ? host::foldCase(args[at + 1]) : args[at + 1];
    filter.conditions_.push_back(std::move(condition));
    at += 2;
  }
  if (rest != nullptr) rest->assign(args.begin() + static_cast<std::ptrdiff_t>(at), args.end());
  return filter;
}

void Filter::parseExpression(std::string_view text) {
  Scanner scanner(text);
  // One level of AND between parenthesised conditions, each possibly
  // negated: "((A == 'x') AND (!(B contains 'y')))" or "(A == 'x')".
  scanner.expect("(");
  const auto condition = [&](bool negate) {
    Condition c;
    c.negate = negate;
    c.tag = tagOf(scanner.word());
    if (scanner.take("==")) {
      c.op = Op::kEquals;
    } else if (scanner.take("!=")) {
      c.op = Op::kEquals;
      c.negate = !c.negate;
    } else if (scanner.take("contains")) {
      c.op = Op::kContains;
    } else if (scanner.take("starts_with")) {
      c.op = Op::kStartsWith;
    } else {
      malformed("Unknown filter operator");
    }
    c.value = scanner.quoted();
    if (ignore_case_) c.value = host::foldCase(c.value);
    conditions_.push_back(std::move(c));
  };
  // After an opening "(": "TAG OP 'VALUE')" or "!(TAG OP 'VALUE'))".
  const auto term = [&] {
    if (scanner.take("!")) {
      scanner.expect("(");
      condition(true);
      scanner.expect(")");
    } else {
      condition(false);
    }
    scanner.expect(")");
  };
  Scanner ahead = scanner;
  if (ahead.take("(")) {
    // "(TERM AND TERM ...)", each term in its own parentheses.
    do {
      scanner.expect("(");
      term();
    } while (scanner.take("AND"));
    scanner.expect(")");
  } else {
    term();
  }
  if (!scanner.done()) malformed("Unparsed garbage after the filter");
}

bool Filter::holds(const Condition& condition, std::string_view value) const {
  std::string folded;
  if (ignore_case_) {
    folded = host::foldCase(value);
    value = folded;
  }
  switch (condition.op) {
    case Op::kEquals: return value == condition.value;
    case Op::kContains: return value.find(condition.value) != std::string_view::npos;
    case Op::kStartsWith: return value.starts_with(condition.value);
  }
  return false;
}

bool Filter::matches(const host::Track& track) const {
  for (const Condition& condition : conditions_) {
    bool found = false;
    if (condition.tag == kFile) {
      found = holds(condition, trackUri(track));
    } else {
      for (std::size_t tag = 0; tag < kTagTypes.size() && !found; ++tag) {
        if (condition.tag != kAny && static_cast<std::size_t>(condition.tag) != tag) continue;
        const host::FieldPtr field = track.findMeta(host::internField(kTagTypes[tag].field));
        if (field == nullptr) {
          // A missing tag equals the empty text.
          found = condition.op == Op::kEquals && condition.value.empty() && condition.tag != kAny;
          continue;
        }
        for (const std::string_view value : field->values()) {
          if (holds(condition, value)) {
            found = true;
            break;
          }
        }
      }
    }
    if (found == condition.negate) return false;
  }
  return true;
}

}  // namespace mpd
