// Finding help/ and data/ next to the program and in an installed tree.
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

TEST(ResourceDir, FallsBackToTheSourceTree) {
  testing_support::TempDir dir;
  const fs::path found = resourceDirFrom(dir.path() / "bin", "help");
  EXPECT_TRUE(fs::exists(found / "vostrel_help.html")) << found;
}

}  // namespace
}  // namespace profile
