// Joining a field's values into one text, where one text stands for them
// all: the library tables' columns (and so the tree) by default, and the
// playlist's columns, so that both read the same.
//
//   std::string text;
//   host::appendJoined(text, field->values());   // "Rock · Pop"
#ifndef VOSTREL_HOST_MULTI_VALUE_H_
#define VOSTREL_HOST_MULTI_VALUE_H_

#include <string>
#include <string_view>

#include "host/track.h"

namespace host {

// Space, U+00B7, space.
inline constexpr std::string_view kMultiValueSeparator = " \xC2\xB7 ";

// Appends `values` to `out`, joined by `separator`.
void appendJoined(std::string& out, const ValueList& values, std::string_view separator = kMultiValueSeparator);

}  // namespace host

#endif  // VOSTREL_HOST_MULTI_VALUE_H_
