// Field names; see field_names.h.
#include "library/field_names.h"

#include "profile/json_reader.h"

namespace library {

const char* fieldNameProblem(std::string_view name) {
  if (name.empty()) return "must not be empty";
  if (name.size() > kMaxFieldName) return "must be at most 1024 bytes long";
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return "must not hold control characters";
  }
  return nullptr;
}

std::string memberPath(std::string_view name) {
  if (fieldNameProblem(name) == nullptr && name.find_first_of(".[]\"") == std::string_view::npos) {
    return "." + std::string(name);
  }
  constexpr std::size_t kShown = 64;
  std::string path = "[";
  profile::appendJsonString(path, name.substr(0, kShown));
  if (name.size() > kShown) path.insert(path.size() - 1, "\u2026");  // inside the quotes
  return path + ']';
}

}  // namespace library
