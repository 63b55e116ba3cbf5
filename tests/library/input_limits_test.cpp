// The limits every file reader applies before trusting its input: regular
// files only, a largest size per kind of file, and a nesting depth.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <tuple>

#include <gtest/gtest.h>

#include "library/library_file.h"
#include "profile/data_error.h"
#include "profile/file_io.h"
#include "profile/json_reader.h"
#include "profile/layout.h"
#include "profile/settings_store.h"
#include "support/fake_host.h"

namespace library {
namespace {

namespace fs = std::filesystem;
using testing_support::TempDir;

// The message `action` throws, or "" when it does not.
std::string errorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const profile::DataError& error) {
    return error.what();
  }
  return "";
}

void writeFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// `depth` nested arrays.
std::string nested(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

// One reader of a file kind, and a valid document of that kind holding an
// arbitrary value under a key the reader ignores.
struct Reader {
  const char* name;
  const char* file_name;
  std::function<void(const fs::path&)> load;
  std::string (*document)(const std::string& ignored);
  std::size_t containers_around;  // containers of `document` around `ignored`
  uint64_t limit;
};

const Reader kReaders[] = {
    {"library", "lib.json", [](const fs::path& p) { loadLibraryFile(p); },
     [](const std::string& v) { return R"({"tracks": [{"path": "a", "x": )" + v + "}]}"; }, 3, kLibraryFileLimit},
    {"playlists", "playlists.json", [](const fs::path& p) { loadPlaylistsFile(p); },
     [](const std::string& v) { return R"({"playlists": [], "x": )" + v + "}"; }, 1, kPlaylistsFileLimit},
    {"settings", "settings.json", [](const fs::path& p) { profile::SettingsStore store(p); },
     [](const std::string& v) { return R"({"x": )" + v + "}"; }, 1, profile::kProfileFileLimit},
    {"layout", "layout.json", [](const fs::path& p) { profile::loadLayout(p); },
     [](const std::string& v) { return R"({"panels": [], "x": )" + v + "}"; }, 1, profile::kProfileFileLimit},
};

void PrintTo(const Reader& reader, std::ostream* out) { *out << reader.name; }

std::string readerName(const testing::TestParamInfo<Reader>& info) { return info.param.name; }

class ReaderLimitsTest : public testing::TestWithParam<Reader> {
 protected:
  fs::path file() const { return dir_.path() / GetParam().file_name; }
  std::string loadError() const {
    return errorOf([&] { GetParam().load(file()); });
  }

 private:
  TempDir dir_;
};

TEST_P(ReaderLimitsTest, NestingUpToTheLimitLoadsAndDeeperIsRefused) {
  const Reader& reader = GetParam();
  writeFile(file(), reader.document(nested(profile::kMaxJsonDepth - reader.containers_around)));
  EXPECT_EQ(loadError(), "");
  writeFile(file(), reader.document(nested(profile::kMaxJsonDepth + 1 - reader.containers_around)));
  EXPECT_EQ(loadError(), profile::tooDeepMessage(file().string()));
}

TEST_P(ReaderLimitsTest, ManyMegabytesOfOpeningBracketsFailFast) {
  // Within the size limit of every kind, so that the depth check is what
  // stops it; under a key the readers skip, so that no shape check does.
  writeFile(file(), "{\"x\": " + std::string(3 * profile::kMiB, '['));
  const auto start = std::chrono::steady_clock::now();
  const std::string message = loadError();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(message, profile::tooDeepMessage(file().string()));
  EXPECT_LT(elapsed, std::chrono::milliseconds(500));
}

TEST_P(ReaderLimitsTest, ANumberBeyondRangeIsRefusedNamingTheFile) {
  writeFile(file(), GetParam().document("1e999"));
  const std::string message = loadError();
  EXPECT_EQ(message.rfind("Malformed JSON in \"" + file().string() + "\"", 0), 0u) << message;
  EXPECT_NE(message.find(": number overflow parsing '1e999'"), std::string::npos) << message;
}

TEST_P(ReaderLimitsTest, AFileOneByteOverTheLimitIsRefusedUnread) {
  const Reader& reader = GetParam();
  writeFile(file(), reader.document("0"));
  fs::resize_file(file(), reader.limit + 1);  // sparse: nothing is written
  const std::string message = loadError();
  EXPECT_NE(message.find("\"" + file().string() + "\""), std::string::npos) << message;
  EXPECT_NE(message.find("it is larger than"), std::string::npos) << message;
}

TEST_P(ReaderLimitsTest, ALargeFileWithinTheLimitLoads) {
  // Padding up to the limit of the profile files, or past it for the kinds
  // that may grow with the library.
  const Reader& reader = GetParam();
  const uint64_t size = std::min<uint64_t>(reader.limit, 2 * profile::kProfileFileLimit);
  std::string text = reader.document("0");
  text.resize(size, ' ');
  writeFile(file(), text);
  EXPECT_EQ(loadError(), "");
}

INSTANTIATE_TEST_SUITE_P(EveryReader, ReaderLimitsTest, testing::ValuesIn(kReaders), readerName);

// What stands at a file's path instead of a regular file.
struct NotAFile {
  const char* name;
  void (*make)(const fs::path&);
  const char* reason;
};

const NotAFile kNotFiles[] = {
    {"folder", [](const fs::path& p) { fs::create_directory(p); }, "it is a folder, not a file"},
    {"fifo", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, "it is not a regular file"},
    {"endless_device", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }, "it is not a regular file"},
};

void PrintTo(const NotAFile& thing, std::ostream* out) { *out << thing.name; }

class NotAFileTest : public testing::TestWithParam<std::tuple<Reader, NotAFile>> {};

TEST_P(NotAFileTest, IsRefusedWithoutWaitingOrReading) {
  const auto& [reader, thing] = GetParam();
  TempDir dir;
  const fs::path path = dir.path() / reader.file_name;
  thing.make(path);
  // A fifo without a writer would block an ordinary open for good.
  // Named in the capture: clang (before 16) cannot capture a structured binding.
  const std::string message = errorOf([&reader = reader, &path] { reader.load(path); });
  EXPECT_EQ(message, "Cannot read \"" + path.string() + "\": " + thing.reason);
}

INSTANTIATE_TEST_SUITE_P(EveryReader, NotAFileTest,
                         testing::Combine(testing::ValuesIn(kReaders), testing::ValuesIn(kNotFiles)),
                         [](const testing::TestParamInfo<std::tuple<Reader, NotAFile>>& info) {
                           return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                         });

TEST(BoundedReadTest, TakesAFileOfExactlyTheLimitAndRefusesOneByteMore) {
  struct Case {
    std::size_t size;
    bool loads;
  };
  const Case cases[] = {{0, true}, {10, true}, {11, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    TempDir dir;
    const fs::path path = dir.path() / "f";
    const std::string content(c.size, 'x');
    writeFile(path, content);
    const std::string expected_error =
        c.loads ? "" : "Cannot read \"" + path.string() + "\": it is larger than 10 bytes";
    EXPECT_EQ(errorOf([&] { EXPECT_EQ(profile::readWholeFile(path, 10), content); }), expected_error);
    EXPECT_EQ(errorOf([&] { EXPECT_EQ(profile::FileContent(path, 10).text(), content); }), expected_error);
  }
}

}  // namespace
}  // namespace library
