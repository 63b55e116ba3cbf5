// The functions of the title-formatting language and their argument counts.
//
// The parser looks a name up here (case-insensitively) and checks the number
// of arguments; the evaluator dispatches on the Function code stored in the
// call node.
#ifndef VOSTREL_PLAYER_TITLEFORMAT_FUNCTIONS_H_
#define VOSTREL_PLAYER_TITLEFORMAT_FUNCTIONS_H_

#include <cstdint>
#include <string_view>

namespace player::titleformat {

enum class Function : uint8_t {
  // Control flow and truth.
  kIf, kIf2, kIf3, kAnd, kOr, kNot, kStrcmp, kStricmp, kGreater, kLess,
  // Text.
  kUpper, kLower, kCaps, kLeft, kRight, kSubstr, kLen, kTrim, kPad, kPadRight,
  kRepeat, kReplace, kStrstr, kStripPrefix, kFirstAlphaChar,
  // Paths.
  kDirectory, kExt, kFileName,
  // Tags.
  kMeta, kMetaSep, kMetaNum,
  // Numbers.
  kNum, kAdd, kSub, kMul, kDiv, kMod, kMax, kMin,
};

// max_args for functions that take any number of further arguments.
inline constexpr uint8_t kVariadic = 0xFF;

struct FunctionInfo {
  std::string_view name;  // without the '$'
  Function id;
  uint8_t min_args;
  uint8_t max_args;  // kVariadic: no upper bound
};

// The function called `name` (ASCII letters in any case), or nullptr.
const FunctionInfo* findFunction(std::string_view name);

// Whether `count` arguments suit `info`. Beyond the bounds, $replace needs
// pairs after its first argument.
bool acceptsArgCount(const FunctionInfo& info, uint32_t count);

// "2 arguments", "1 to 2 arguments", "at least 2 arguments" ... for messages.
std::string_view argCountText(const FunctionInfo& info);

}  // namespace player::titleformat

#endif  // VOSTREL_PLAYER_TITLEFORMAT_FUNCTIONS_H_
