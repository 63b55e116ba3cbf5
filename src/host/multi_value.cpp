#include "host/multi_value.h"

namespace host {

void appendJoined(std::string& out, const ValueList& values, std::string_view separator) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += separator;
    out += values[i];
  }
}

}  // namespace host
