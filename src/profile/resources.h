// Where the program's bundled folders (help/, data/) are: next to the
// program in a build tree, under ../share/vostrel when installed, and in
// the source tree the program was built from as the last resort.
//
//   resourceDir("help") / "vostrel_help.html"
#ifndef VOSTREL_PROFILE_RESOURCES_H_
#define VOSTREL_PROFILE_RESOURCES_H_

#include <filesystem>
#include <string_view>

namespace profile {

// The folder of the running program ("" when it cannot be told).
std::filesystem::path executableDir();

// The first existing folder `name` among the places above; when none
// exists, the place next to the program.
std::filesystem::path resourceDir(std::string_view name);

// The same search from `program_dir` (testable without moving the program).
std::filesystem::path resourceDirFrom(const std::filesystem::path& program_dir, std::string_view name);

}  // namespace profile

#endif  // VOSTREL_PROFILE_RESOURCES_H_
