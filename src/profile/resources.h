// Where the program's bundled folders (help/, data/) are, found from the
// program's own path so that an installed tree works wherever it is moved:
// next to the program in a build tree, under ../share/vostrel (the install
// layout's data folder, seen from its bin folder) when installed. A program
// inside the build tree it was made in (a test program in a subfolder) also
// looks in the source tree; an installed program never does, so it never
// depends on the checkout it was built from.
//
//   resourceDir("help") / "vostrel_help.html"
#ifndef VOSTREL_PROFILE_RESOURCES_H_
#define VOSTREL_PROFILE_RESOURCES_H_

#include <filesystem>
#include <string_view>

namespace profile {

// The folder of the running program ("" when it cannot be told).
std::filesystem::path executableDir();

// The first existing folder `name` among the places above. When none exists:
// the installed place for an installed program, the place next to the
// program in a build tree (so that a message names where it was looked for).
std::filesystem::path resourceDir(std::string_view name);

// The same search from `program_dir` (testable without moving the program).
std::filesystem::path resourceDirFrom(const std::filesystem::path& program_dir, std::string_view name);

}  // namespace profile

#endif  // VOSTREL_PROFILE_RESOURCES_H_
