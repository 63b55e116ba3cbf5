// Files and folders without permissions in tests, which must mean the same
// whoever runs them: root reads and lists everything through two
// capabilities, which a test lowers for as long as it needs.
//
//   RestoreMode restore(folder);   // whatever the test does, the mode comes back
//   fs::permissions(folder, fs::perms::none);
//   WithoutAccessOverride as_user;   // from here on, root is refused too
//   ... scan ...
#ifndef VOSTREL_TESTS_SUPPORT_FILE_ACCESS_H_
#define VOSTREL_TESTS_SUPPORT_FILE_ACCESS_H_

#include <filesystem>

namespace testing_support {

// Lowers CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH from the effective set of
// the calling thread, and so of the threads it starts while this lives
// (they take a copy); raises them again at the end. Changes nothing for a
// thread that does not hold them.
class WithoutAccessOverride {
 public:
  WithoutAccessOverride();
  ~WithoutAccessOverride();
  WithoutAccessOverride(const WithoutAccessOverride&) = delete;
  WithoutAccessOverride& operator=(const WithoutAccessOverride&) = delete;

 private:
  bool lowered_ = false;
};

// Puts back the permissions `path` has now when it goes, so that a test
// that fails half-way leaves a folder its TempDir can remove.
class RestoreMode {
 public:
  explicit RestoreMode(std::filesystem::path path);
  ~RestoreMode();
  RestoreMode(const RestoreMode&) = delete;
  RestoreMode& operator=(const RestoreMode&) = delete;

 private:
  std::filesystem::path path_;
  std::filesystem::perms perms_;
};

}  // namespace testing_support

#endif  // VOSTREL_TESTS_SUPPORT_FILE_ACCESS_H_
