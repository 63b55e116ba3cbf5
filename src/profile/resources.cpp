#include "profile/resources.h"

#include <unistd.h>

#include <array>
#include <string>

#ifndef VOSTREL_SOURCE_DIR
#define VOSTREL_SOURCE_DIR ""
#endif

namespace profile {

std::filesystem::path executableDir() {
  std::array<char, 4096> buffer{};
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  return std::filesystem::path(std::string(buffer.data(), static_cast<std::size_t>(length))).parent_path();
}

std::filesystem::path resourceDirFrom(const std::filesystem::path& program_dir, std::string_view name) {
  const std::filesystem::path candidates[] = {
      program_dir / name,
      program_dir.parent_path() / "share" / "vostrel" / name,
      std::filesystem::path(VOSTREL_SOURCE_DIR) / name,
  };
  for (const auto& candidate : candidates) {
    std::error_code ec;
    if (!candidate.parent_path().empty() && std::filesystem::is_directory(candidate, ec)) return candidate;
  }
  return candidates[0];
}

std::filesystem::path resourceDir(std::string_view name) { return resourceDirFrom(executableDir(), name); }

}  // namespace profile
