#include "profile/resources.h"

#include <unistd.h>

#include <array>
#include <string>

// Set by the build: the source and build trees, and the install layout's
// data folder relative to its bin folder ("../share").
#ifndef VOSTREL_SOURCE_DIR
#define VOSTREL_SOURCE_DIR ""
#endif
#ifndef VOSTREL_BUILD_DIR
#define VOSTREL_BUILD_DIR ""
#endif
#ifndef VOSTREL_DATA_FROM_BIN
#define VOSTREL_DATA_FROM_BIN "../share"
#endif

namespace profile {

namespace {

namespace fs = std::filesystem;

// True when `dir` is the build tree or a folder inside it.
bool insideBuildTree(const fs::path& dir) {
  if (std::string_view(VOSTREL_BUILD_DIR).empty() || dir.empty()) return false;
  std::error_code ec;
  const fs::path build = fs::weakly_canonical(VOSTREL_BUILD_DIR, ec);
  if (ec) return false;
  const fs::path program = fs::weakly_canonical(dir, ec);
  if (ec) return false;
  const fs::path rest = program.lexically_relative(build);
  return !rest.empty() && *rest.begin() != "..";
}

bool isDirectory(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

}  // namespace

fs::path executableDir() {
  std::array<char, 4096> buffer{};
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  return fs::path(std::string(buffer.data(), static_cast<std::size_t>(length))).parent_path();
}

fs::path resourceDirFrom(const fs::path& program_dir, std::string_view name) {
  const fs::path next_to_program = program_dir / name;
  const fs::path installed = (program_dir / VOSTREL_DATA_FROM_BIN / "vostrel" / name).lexically_normal();
  if (isDirectory(next_to_program)) return next_to_program;
  if (isDirectory(installed)) return installed;
  if (!insideBuildTree(program_dir)) return installed;
  const fs::path source = fs::path(VOSTREL_SOURCE_DIR) / name;
  if (!std::string_view(VOSTREL_SOURCE_DIR).empty() && isDirectory(source)) return source;
  return next_to_program;
}

fs::path resourceDir(std::string_view name) { return resourceDirFrom(executableDir(), name); }

}  // namespace profile
