// Evaluation of function calls.
//
// Each function evaluates its arguments onto the end of the output, reads
// them there and leaves only its result behind. Text functions pass on the
// truth of their first argument; see help/titleformat.html for each one.
#include <algorithm>
#include <array>

#include "host/text.h"
#include "player/titleformat/evaluator.h"
#include "player/titleformat/text_ops.h"

namespace player::titleformat {
namespace {

// Whether $firstalphachar treats `c` as a letter: ASCII letters and anything
// beyond ASCII except Latin-1 symbols and the general punctuation and
// symbol blocks.
bool isLetterForIndex(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;
  return c < 0x2000 || c >= 0x3040;
}

}  // namespace

int64_t Evaluator::numberArg(const Node& call, uint32_t i, bool* truth) {
  const std::size_t mark = out_.size();
  const bool t = arg(call, i);
  const int64_t value = parseNumber(tail(mark));
  out_.resize(mark);
  if (truth != nullptr) *truth = t;
  return value;
}

void Evaluator::keepPiece(std::size_t mark, std::string_view piece) {
  if (piece.empty()) {
    out_.resize(mark);
    return;
  }
  const std::size_t begin = static_cast<std::size_t>(piece.data() - out_.data());
  assert(begin >= mark && begin + piece.size() <= out_.size());
  out_.resize(begin + piece.size());
  out_.erase(mark, begin - mark);
}

void Evaluator::replaceTailWithScratch(std::size_t mark) {
  out_.resize(mark);
  out_.append(scratch());
}

bool Evaluator::mayGrow(uint64_t count, uint64_t unit) {
  if (count > kMaxGeneratedBytes || unit > kMaxGeneratedBytes ||
      out_.size() + count * unit > kMaxGeneratedBytes) {
    failed_ = true;
  }
  return !failed_;
}

bool Evaluator::call(const Node& node) {
  const auto f = static_cast<Function>(node.code);
  switch (f) {
    case Function::kIf: case Function::kIf2: case Function::kIf3:
    case Function::kAnd: case Function::kOr: case Function::kNot:
      return callCondition(node, f);
    case Function::kStrcmp: case Function::kStricmp:
    case Function::kGreater: case Function::kLess:
      return callCompare(node, f);
    case Function::kUpper: case Function::kLower: case Function::kCaps:
      return callCase(node, f);
    case Function::kLeft: case Function::kRight: case Function::kSubstr:
    case Function::kLen: case Function::kTrim:
      return callCut(node, f);
    case Function::kPad: case Function::kPadRight:
      return callPad(node, f);
    case Function::kRepeat: return callRepeat(node);
    case Function::kReplace: return callReplace(node);
    case Function::kStrstr: return callStrstr(node);
    case Function::kStripPrefix: return callStripPrefix(node);
    case Function::kFirstAlphaChar: return callFirstAlphaChar(node);
    case Function::kDirectory: case Function::kExt: case Function::kFileName:
      return callPath(node, f);
    case Function::kMeta: case Function::kMetaSep: case Function::kMetaNum:
      return callMeta(node, f);
    case Function::kNum: case Function::kAdd: case Function::kSub: case Function::kMul:
    case Function::kDiv: case Function::kMod: case Function::kMax: case Function::kMin:
      return callNumber(node, f);
  }
  return false;
}

// $if, $if2, $if3, $and, $or, $not. Only the chosen branch is evaluated and
// shown; $and, $or and $not show nothing.
bool Evaluator::callCondition(const Node& node, Function f) {
  const std::size_t mark = out_.size();
  const uint32_t count = node.b;
  switch (f) {
    case Function::kIf: {
      const bool condition = arg(node, 0);
      out_.resize(mark);
      if (condition) return arg(node, 1);
      return count == 3 && arg(node, 2);
    }
    case Function::kIf2:
    case Function::kIf3:
      for (uint32_t i = 0; i + 1 < count; ++i) {
        if (arg(node, i)) return true;
        out_.resize(mark);
      }
      return arg(node, count - 1);
    case Function::kAnd:
    case Function::kOr: {
      const bool want = f == Function::kOr;  // the value that decides early
      for (uint32_t i = 0; i < count; ++i) {
        const bool value = arg(node, i);
        out_.resize(mark);
        if (value == want) return want;
      }
      return !want;
    }
    default: {
      const bool value = arg(node, 0);
      out_.resize(mark);
      return !value;
    }
  }
}

// $strcmp, $stricmp, $greater, $less: truth only, no text.
bool Evaluator::callCompare(const Node& node, Function f) {
  if (f == Function::kGreater || f == Function::kLess) {
    const int64_t a = numberArg(node, 0);
    const int64_t b = numberArg(node, 1);
    return f == Function::kGreater ? a > b : a < b;
  }
  const std::size_t mark = out_.size();
  arg(node, 0);
  const std::size_t middle = out_.size();
  arg(node, 1);
  const std::string_view a = slice(mark, middle);
  const std::string_view b = tail(middle);
  const bool equal = f == Function::kStrcmp ? a == b : host::equalsNoCase(a, b);
  out_.resize(mark);
  return equal;
}

bool Evaluator::callCase(const Node& node, Function f) {
  const std::size_t mark = out_.size();
  const bool truth = arg(node, 0);
  std::string& result = scratch();
  result.clear();
  if (f == Function::kUpper) {
    appendUpper(result, tail(mark));
  } else if (f == Function::kLower) {
    appendLower(result, tail(mark));
  } else {
    appendCaps(result, tail(mark));
  }
  replaceTailWithScratch(mark);
  return truth;
}

// $left, $right, $substr, $len, $trim, all counting code points.
bool Evaluator::callCut(const Node& node, Function f) {
  const std::size_t mark = out_.size();
  const bool truth = arg(node, 0);
  const std::size_t end = out_.size();
  switch (f) {
    case Function::kLeft: {
      const int64_t n = numberArg(node, 1);
      keepPiece(mark, n <= 0 ? std::string_view() : slice(mark, mark + host::utf8Offset(tail(mark), n)));
      break;
    }
    case Function::kRight: {
      const int64_t n = numberArg(node, 1);
      const std::size_t length = host::utf8Length(tail(mark));
      if (n <= 0) {
        out_.resize(mark);
      } else if (static_cast<uint64_t>(n) < length) {
        keepPiece(mark, tail(mark + host::utf8Offset(tail(mark), length - n)));
      }
      break;
    }
    case Function::kSubstr: {
      const int64_t from = std::max<int64_t>(numberArg(node, 1), 1);
      const int64_t to = numberArg(node, 2);
      if (to < from) {
        out_.resize(mark);
      } else {
        const std::size_t begin = host::utf8Offset(tail(mark), from - 1);
        const std::size_t stop = host::utf8Offset(tail(mark), to);
        keepPiece(mark, slice(mark + begin, mark + stop));
      }
      break;
    }
    case Function::kLen: {
      const std::size_t length = host::utf8Length(tail(mark));
      out_.resize(mark);
      appendNumber(out_, static_cast<int64_t>(length));
      break;
    }
    default:
      keepPiece(mark, host::trimBlanks(slice(mark, end)));
      break;
  }
  return truth;
}

// $pad(s,n[,c]) fills on the right up to n code points, $pad_right(s,n[,c])
// on the left; c's first code point, a space by default.
bool Evaluator::callPad(const Node& node, Function f) {
  const std::size_t mark = out_.size();
  const bool truth = arg(node, 0);
  const int64_t width = numberArg(node, 1);
  char32_t fill = ' ';
  if (node.b == 3) {
    const std::size_t fill_mark = out_.size();
    arg(node, 2);
    std::size_t pos = fill_mark;
    if (pos < out_.size()) fill = host::decodeUtf8(out_, pos);
    out_.resize(fill_mark);
  }
  const std::size_t length = host::utf8Length(tail(mark));
  if (width <= 0 || static_cast<uint64_t>(width) <= length) return truth;
  const uint64_t count = static_cast<uint64_t>(width) - length;
  const uint64_t fill_bytes = fill < 0x80 ? 1 : fill < 0x800 ? 2 : fill < 0x10000 ? 3 : 4;
  if (!mayGrow(count, fill_bytes)) return false;
  std::string& padding = scratch();
  padding.clear();
  for (uint64_t i = 0; i < count; ++i) host::appendUtf8(padding, fill);
  if (f == Function::kPad) {
    out_.append(padding);
  } else {
    out_.insert(mark, padding);
  }
  return truth;
}

// $repeat(s,n): s written n times.
bool Evaluator::callRepeat(const Node& node) {
  const std::size_t mark = out_.size();
  const bool truth = arg(node, 0);
  const int64_t times = numberArg(node, 1);
  const std::size_t length = out_.size() - mark;
  if (times <= 0) {
    out_.resize(mark);
    return truth;
  }
  if (length == 0) return truth;
  const uint64_t extra = static_cast<uint64_t>(times - 1);
  if (!mayGrow(extra, length)) return false;
  std::string& copy = scratch();
  copy.assign(tail(mark));
  for (uint64_t i = 0; i < extra; ++i) out_.append(copy);
  return truth;
}

// $replace(s,a,b[,a2,b2...]): every a in s becomes b, then every a2 in the
// result becomes b2, and so on. An empty search text changes nothing.
bool Evaluator::callReplace(const Node& node) {
  const std::size_t mark = out_.size();
  const bool truth = arg(node, 0);
  for (uint32_t i = 1; i + 1 < node.b && !failed_; i += 2) {
    const std::size_t search_mark = out_.size();
    arg(node, i);
    const std::size_t replace_mark = out_.size();
    arg(node, i + 1);
    const std::string_view text = slice(mark, search_mark);
    const std::string_view search = slice(search_mark, replace_mark);
    const std::string_view replacement = tail(replace_mark);
    if (search.empty()) {
      out_.resize(search_mark);
      continue;
    }
    std::string& result = scratch();
    result.clear();
    std::size_t pos = 0;
    for (std::size_t hit; (hit = text.find(search, pos)) != std::string_view::npos;
         pos = hit + search.size()) {
      result.append(text, pos, hit - pos);
      result.append(replacement);
      if (mark + result.size() > kMaxGeneratedBytes) {
        failed_ = true;
        return false;
      }
    }
    result.append(text, pos);
    replaceTailWithScratch(mark);
  }
  return truth;
}

// $strstr(s,t): the 1-based code-point position of t in s, 0 when absent.
bool Evaluator::callStrstr(const Node& node) {
  const std::size_t mark = out_.size();
  arg(node, 0);
  const std::size_t middle = out_.size();
  arg(node, 1);
  const std::string_view text = slice(mark, middle);
  const std::string_view search = tail(middle);
  const std::size_t hit = search.empty() ? std::string_view::npos : text.find(search);
  const int64_t position =
      hit == std::string_view::npos ? 0 : static_cast<int64_t>(host::utf8Length(text.substr(0, hit))) + 1;
  out_.resize(mark);
  appendNumber(out_, position);
  return position != 0;
}

// $stripprefix(s[,p...]): "The Beatles" -> "Beatles, The" for the first
// prefix (A and The by default) that s starts with, followed by a space.
bool Evaluator::callStripPrefix(const Node& node) {
  static constexpr std::array<std::string_view, 2> kDefaultPrefixes = {"A", "The"};
  const std::size_t mark = out_.size();
  const bool truth = arg(node, 0);
  const std::size_t end = out_.size();
  std::size_t length = 0;
  if (node.b == 1) {
    for (std::string_view prefix : kDefaultPrefixes) {
      if ((length = matchPrefix(tail(mark), prefix)) != 0) break;
    }
  } else {
    for (uint32_t i = 1; i < node.b && length == 0; ++i) {
      arg(node, i);
      length = matchPrefix(slice(mark, end), tail(end));
      out_.resize(end);
    }
  }
  if (length == 0) return truth;
  const std::string_view text = tail(mark);
  std::string& result = scratch();
  result.assign(text.substr(length + 1));
  result.append(", ");
  result.append(text.substr(0, length));
  replaceTailWithScratch(mark);
  return truth;
}

// $firstalphachar(s[,other]): the first letter of s upper-cased, or other
// ("#" by default) when s does not start with a letter.
bool Evaluator::callFirstAlphaChar(const Node& node) {
  const std::size_t mark = out_.size();
  const bool truth = arg(node, 0);
  const std::string_view text = host::trimBlanks(tail(mark));
  char32_t first = 0;
  if (!text.empty()) {
    std::size_t pos = 0;
    first = host::decodeUtf8(text, pos);
  }
  out_.resize(mark);
  if (first != 0 && isLetterForIndex(first) && first != host::kReplacementChar) {
    host::appendUtf8(out_, host::upperChar(first));
  } else if (node.b == 2) {
    arg(node, 1);
  } else {
    out_.push_back('#');
  }
  return truth;
}

// $directory(p[,n]), $ext(p), $filename(p).
bool Evaluator::callPath(const Node& node, Function f) {
  const std::size_t mark = out_.size();
  const bool truth = arg(node, 0);
  const int64_t levels = node.b == 2 ? numberArg(node, 1) : 1;
  const std::string_view path = tail(mark);
  if (f == Function::kDirectory) {
    keepPiece(mark, directoryName(path, levels));
  } else if (f == Function::kExt) {
    keepPiece(mark, extension(path));
  } else {
    keepPiece(mark, fileNameNoExt(path));
  }
  return truth;
}

// $meta(name[,i]), $meta_sep(name,sep), $meta_num(name); the name was
// resolved while compiling.
bool Evaluator::callMeta(const Node& node, Function f) {
  host::FieldPtr found = findField(node.c);
  if (f == Function::kMetaNum) {
    appendNumber(out_, found == nullptr ? 0 : static_cast<int64_t>(found->values().size()));
    return found != nullptr;
  }
  if (f == Function::kMetaSep) {
    const std::size_t mark = out_.size();
    arg(node, 1);
    std::string& separator = scratch();
    separator.assign(tail(mark));
    out_.resize(mark);
    if (found == nullptr) return false;
    appendValues(*found, separator);
    return true;
  }
  if (node.b == 1) {
    if (found == nullptr) return false;
    appendValues(*found, ", ");
    return true;
  }
  const int64_t index = numberArg(node, 1);
  if (found == nullptr || index < 0 || static_cast<uint64_t>(index) >= found->values().size()) return false;
  out_.append(found->values()[static_cast<std::size_t>(index)]);
  return true;
}

// $num(n,len) and the arithmetic functions, folding left over their
// arguments; true when any argument is.
bool Evaluator::callNumber(const Node& node, Function f) {
  bool truth = false;
  int64_t value = numberArg(node, 0, &truth);
  if (f == Function::kNum) {
    const int64_t digits = numberArg(node, 1);
    if (digits > 0 && !mayGrow(static_cast<uint64_t>(digits), 1)) return false;
    appendNumber(out_, value, digits > 0 ? static_cast<std::size_t>(digits) : 0);
    return truth;
  }
  for (uint32_t i = 1; i < node.b; ++i) {
    bool arg_truth = false;
    const int64_t next = numberArg(node, i, &arg_truth);
    truth = truth || arg_truth;
    switch (f) {
      case Function::kAdd: value = addWrap(value, next); break;
      case Function::kSub: value = subWrap(value, next); break;
      case Function::kMul: value = mulWrap(value, next); break;
      case Function::kDiv: value = divSafe(value, next); break;
      case Function::kMod: value = modSafe(value, next); break;
      case Function::kMax: value = std::max(value, next); break;
      default: value = std::min(value, next); break;
    }
  }
  appendNumber(out_, value);
  return truth;
}

}  // namespace player::titleformat
