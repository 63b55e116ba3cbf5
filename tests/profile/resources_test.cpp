// Finding help/ and data/ next to the program, in an installed tree moved
// anywhere, and in the source tree for programs inside the build tree only.
#include "profile/resources.h"

#include <gtest/gtest.h>

#include "support/fake_host.h"

namespace profile {
namespace {

namespace fs = std::filesystem;

TEST(ResourceDir, PrefersTheFolderNextToTheProgramThenTheInstalledShareFolder) {
  testing_support::TempDir dir;
  const fs::path bin = dir.path() / "prefix" / "bin";
  const fs::path installed = dir.path() / "prefix" / "share" / "vostrel" / "help";
  fs::create_directories(bin);
  fs::create_directories(installed);
  EXPECT_EQ(resourceDirFrom(bin, "help"), installed);
  fs::create_directories(bin / "help");
  EXPECT_EQ(resourceDirFrom(bin, "help"), bin / "help");
}

// An installed program whose folder is missing reports the installed place
// and never reads the checkout it was built from, which may hold other files
// or be gone.
TEST(ResourceDir, AnInstalledProgramNeverFallsBackToTheSourceTree) {
  testing_support::TempDir dir;
  const fs::path bin = dir.path() / "usr" / "bin";
  fs::create_directories(bin);
  EXPECT_EQ(resourceDirFrom(bin, "help"), dir.path() / "usr" / "share" / "vostrel" / "help");
}

TEST(ResourceDir, AProgramInsideTheBuildTreeFallsBackToTheSourceTree) {
  // This test program sits in the build tree, in a folder without help/.
  const fs::path found = resourceDirFrom(executableDir(), "help");
  EXPECT_TRUE(fs::exists(found / "vostrel_help.html")) << found;
}

}  // namespace
}  // namespace profile
