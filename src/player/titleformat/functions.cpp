// The function table of the title-formatting language.
#include "player/titleformat/functions.h"

#include <array>

namespace player::titleformat {
namespace {

constexpr std::array kFunctions = {
    FunctionInfo{"if", Function::kIf, 2, 3},
    FunctionInfo{"if2", Function::kIf2, 2, 2},
    FunctionInfo{"if3", Function::kIf3, 2, kVariadic},
    FunctionInfo{"and", Function::kAnd, 1, kVariadic},
    FunctionInfo{"or", Function::kOr, 1, kVariadic},
    FunctionInfo{"not", Function::kNot, 1, 1},
    FunctionInfo{"strcmp", Function::kStrcmp, 2, 2},
    FunctionInfo{"stricmp", Function::kStricmp, 2, 2},
    FunctionInfo{"greater", Function::kGreater, 2, 2},
    FunctionInfo{"less", Function::kLess, 2, 2},
    FunctionInfo{"upper", Function::kUpper, 1, 1},
    FunctionInfo{"lower", Function::kLower, 1, 1},
    FunctionInfo{"caps", Function::kCaps, 1, 1},
    FunctionInfo{"left", Function::kLeft, 2, 2},
    FunctionInfo{"right", Function::kRight, 2, 2},
    FunctionInfo{"substr", Function::kSubstr, 3, 3},
    FunctionInfo{"len", Function::kLen, 1, 1},
    FunctionInfo{"trim", Function::kTrim, 1, 1},
    FunctionInfo{"pad", Function::kPad, 2, 3},
    FunctionInfo{"pad_right", Function::kPadRight, 2, 3},
    FunctionInfo{"repeat", Function::kRepeat, 2, 2},
    FunctionInfo{"replace", Function::kReplace, 3, kVariadic},
    FunctionInfo{"strstr", Function::kStrstr, 2, 2},
    FunctionInfo{"stripprefix", Function::kStripPrefix, 1, kVariadic},
    FunctionInfo{"firstalphachar", Function::kFirstAlphaChar, 1, 2},
    FunctionInfo{"directory", Function::kDirectory, 1, 2},
    FunctionInfo{"ext", Function::kExt, 1, 1},
    FunctionInfo{"filename", Function::kFileName, 1, 1},
    FunctionInfo{"meta", Function::kMeta, 1, 2},
    FunctionInfo{"meta_sep", Function::kMetaSep, 2, 2},
    FunctionInfo{"meta_num", Function::kMetaNum, 1, 1},
    FunctionInfo{"num", Function::kNum, 2, 2},
    FunctionInfo{"add", Function::kAdd, 2, kVariadic},
    FunctionInfo{"sub", Function::kSub, 2, kVariadic},
    FunctionInfo{"mul", Function::kMul, 2, kVariadic},
    FunctionInfo{"div", Function::kDiv, 2, kVariadic},
    FunctionInfo{"mod", Function::kMod, 2, kVariadic},
    FunctionInfo{"max", Function::kMax, 2, kVariadic},
    FunctionInfo{"min", Function::kMin, 2, kVariadic},
};

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool equalsAsciiNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace

const FunctionInfo* findFunction(std::string_view name) {
  for (const FunctionInfo& info : kFunctions) {
    if (equalsAsciiNoCase(info.name, name)) return &info;
  }
  return nullptr;
}

bool acceptsArgCount(const FunctionInfo& info, uint32_t count) {
  if (count < info.min_args) return false;
  if (info.max_args != kVariadic && count > info.max_args) return false;
  if (info.id == Function::kReplace) return count % 2 == 1;
  return true;
}

std::string_view argCountText(const FunctionInfo& info) {
  if (info.id == Function::kReplace) return "a text and pairs of search and replacement texts";
  if (info.max_args == kVariadic) {
    static constexpr std::string_view kAtLeast[] = {"any number of arguments", "at least 1 argument",
                                                    "at least 2 arguments", "at least 3 arguments"};
    return kAtLeast[info.min_args];
  }
  if (info.min_args == info.max_args) {
    static constexpr std::string_view kExactly[] = {"no arguments", "1 argument", "2 arguments",
                                                    "3 arguments"};
    return kExactly[info.min_args];
  }
  static constexpr std::string_view kRange[] = {"0 to 1 arguments", "1 to 2 arguments",
                                                "2 to 3 arguments"};
  return kRange[info.min_args];
}

}  // namespace player::titleformat
