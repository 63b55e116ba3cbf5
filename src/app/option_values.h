// Values of command-line options: action names, numbers with a range,
// colours and item counts. Each parser returns nothing and sets `error` to
// a message naming the option and what it allows when the text is bad.
#ifndef VOSTREL_APP_OPTION_VALUES_H_
#define VOSTREL_APP_OPTION_VALUES_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tree/node_attributes.h"

namespace CLI {
class Validator;
}

namespace app {

// The action names in code order: "none" is 0, "console" is 11.
inline constexpr std::array<std::string_view, 12> kActionNames = {
    "none",          "add-active",     "add-playing",   "add-target",  "insert-active", "insert-playing",
    "insert-target", "send-active",    "send-playing",  "send-target", "execute-sql",   "console"};

// "send-target" or "9": the code, 0 to 11.
std::optional<uint8_t> parseActionCode(std::string_view option, std::string_view text, std::string* error);

// The names and codes, for the help: "none (0), add-active (1), ...".
std::string actionNameList();

// A decimal number from `min` to `max`, digits only (no sign, no blanks).
std::optional<uint64_t> parseNumber(std::string_view option, std::string_view text, uint64_t min, uint64_t max,
                                    std::string* error);

// A check for a numeric option of the parser, with parseNumber's message.
CLI::Validator numberCheck(std::string option, uint64_t min, uint64_t max);

// The query node limit: a number from 0 to 4294967295, or "none" for no
// limit (stored as 4294967295; 0 also means no limit, as in the dialog).
inline constexpr uint32_t kNoNodeLimit = UINT32_MAX;
std::optional<uint32_t> parseNodeLimitOption(std::string_view text, std::string* error);

// "#rrggbb" (or "rrggbb") as the stored 0x00BBGGRR value.
std::optional<tree::Colour> parseColour(std::string_view option, std::string_view text, std::string* error);
// The other way round, "#rrggbb".
std::string colourText(tree::Colour colour);

// One item count mode: "none" or 0, "subitems" or 1, "leaves" or 2.
std::optional<uint8_t> parseItemCount(std::string_view text, std::string* error);
std::string_view itemCountName(uint8_t mode);

}  // namespace app

#endif  // VOSTREL_APP_OPTION_VALUES_H_
