// The command channel's frames and requests, through a real socket pair, and
// where a profile's command socket lives.
#include "profile/command_channel.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "support/fake_host.h"

namespace profile {
namespace {

std::string header(uint8_t type, uint32_t size) {
  std::string bytes(1, static_cast<char>(type));
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
  return bytes;
}

// Sends `bytes` through a socket pair and feeds what arrives to `reader` in
// pieces of `piece` bytes.
void throughSocket(const std::string& bytes, FrameReader& reader, std::size_t piece) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  ASSERT_EQ(write(fds[0], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  close(fds[0]);
  std::string buffer(piece, '\0');
  ssize_t got;
  while ((got = read(fds[1], buffer.data(), buffer.size())) > 0) {
    reader.feed({buffer.data(), static_cast<std::size_t>(got)});
  }
  close(fds[1]);
}

TEST(CommandChannelTest, ARequestAndItsReplyCrossASocketInAnyPieces) {
  CommandRequest request;
  request.args = {"--profile", "/p", "sql", "-", "", "ünïcode\n\t"};
  request.profile = "/p";
  request.cwd = "/home/me/music";
  request.stdout_is_terminal = true;
  request.input = std::string("SELECT 1;\0x", 11);
  const std::string stream = encodeFrame(FrameType::kRequest, encodeRequest(request)) +
                             encodeFrame(FrameType::kStarted) + encodeFrame(FrameType::kStdout, "rows\n") +
                             encodeFrame(FrameType::kStderr, "") + encodeFrame(FrameType::kExit, encodeExitStatus(2));
  for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{4096}}) {
    SCOPED_TRACE(piece);
    FrameReader reader;
    throughSocket(stream, reader, piece);
    std::vector<Frame> frames;
    while (std::optional<Frame> frame = reader.next()) frames.push_back(*frame);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(reader.pending(), 0u);
    const CommandRequest back = decodeRequest(frames[0].payload);
    EXPECT_EQ(back.args, request.args);
    EXPECT_EQ(back.profile, request.profile);
    EXPECT_EQ(back.cwd, request.cwd);
    EXPECT_TRUE(back.stdout_is_terminal);
    EXPECT_EQ(back.input, request.input);
    EXPECT_EQ(frames[1].type, FrameType::kStarted);
    EXPECT_EQ(frames[2].payload, "rows\n");
    EXPECT_EQ(frames[3].type, FrameType::kStderr);
    EXPECT_EQ(decodeExitStatus(frames[4].payload), 2);
  }
}

TEST(CommandChannelTest, ARequestWithoutInputStaysWithoutInput) {
  CommandRequest request;
  request.args = {"playlists"};
  const CommandRequest back = decodeRequest(encodeRequest(request));
  EXPECT_FALSE(back.input.has_value());
  EXPECT_FALSE(back.stdout_is_terminal);
}

TEST(CommandChannelTest, AFrameCutShortWaitsForTheRest) {
  FrameReader reader;
  const std::string frame = encodeFrame(FrameType::kStdout, "abcdef");
  reader.feed(std::string_view(frame).substr(0, frame.size() - 1));
  EXPECT_FALSE(reader.next());
  reader.feed(std::string_view(frame).substr(frame.size() - 1));
  ASSERT_TRUE(reader.next());
}

TEST(CommandChannelTest, MalformedFramesAreRefused) {
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"unknown type", header('Z', 0)},
      {"zero type", header(0, 0)},
      {"request too long", header('Q', kMaxRequestPayload + 1)},
      {"length near 4 GiB", header('Q', 0xFFFFFFFFu)},
      // Each type carries what it needs and no more, so that a connection
      // cannot make its reader hold more.
      {"output longer than a chunk", header('O', kOutputChunkSize + 1)},
      {"messages longer than a chunk", header('E', kOutputChunkSize + 1)},
      {"exit status of 5 bytes", header('X', 5)},
      {"abort with a payload", header('A', 1)},
      {"raise with a payload", header('R', 1 << 20)},
      {"started with a payload", header('S', 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FrameReader reader;
    reader.feed(c.bytes);
    EXPECT_THROW(reader.next(), ChannelError);
    EXPECT_THROW(reader.next(), ChannelError);  // and stays refused
  }
}

TEST(CommandChannelTest, MalformedPayloadsAreRefused) {
  CommandRequest request;
  request.args = {"tree"};
  request.input = "x";
  const std::string good = encodeRequest(request);
  std::string bad_flag = good;
  bad_flag[4 + 4 + 4 + 4 + 4] = 7;  // count, "tree", empty profile and cwd, then the terminal flag
  std::string many_args = good;
  many_args.replace(0, 4, std::string("\xff\xff\xff\x7f", 4));
  const struct {
    const char* name;
    std::string payload;
  } cases[] = {
      {"empty", ""},
      {"cut short", good.substr(0, good.size() - 1)},
      {"bytes after the end", good + "!"},
      {"bad flag", bad_flag},
      {"more arguments than bytes", many_args},
      {"string longer than the payload", std::string("\x01\0\0\0\xff\xff\xff\x00", 8)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(decodeRequest(c.payload), ChannelError);
  }
  EXPECT_THROW(decodeExitStatus(""), ChannelError);
  EXPECT_THROW(decodeExitStatus(encodeExitStatus(256)), ChannelError);
  EXPECT_THROW(decodeExitStatus(encodeExitStatus(-1)), ChannelError);
  EXPECT_EQ(decodeExitStatus(encodeExitStatus(255)), 255);
}

TEST(CommandChannelTest, TheSocketLivesInTheProfileWhenItsPathFits) {
  EXPECT_EQ(commandSocketPath("/home/me/.config/vostrel"), "/home/me/.config/vostrel/desktop.sock");
  EXPECT_EQ(commandSocketPath("/home/me/./.config/vostrel/"), "/home/me/.config/vostrel/desktop.sock");
}

TEST(CommandChannelTest, ALongProfilePathGetsASocketNamedByItsHashInAPrivateFolder) {
  const std::string long_dir = "/tmp/" + std::string(120, 'p');
  const std::string other_dir = "/tmp/" + std::string(119, 'p') + "q";
  const std::string folder = "vostrel-" + std::to_string(getuid());
  setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
  const std::filesystem::path socket = commandSocketPath(long_dir);
  EXPECT_EQ(socket.parent_path(), "/run/user/1000/" + folder);
  EXPECT_LT(socket.native().size(), sizeof(sockaddr_un{}.sun_path));
  EXPECT_EQ(commandSocketPath(long_dir + "/"), socket);  // the same profile
  EXPECT_NE(commandSocketPath(other_dir), socket);
  // Never straight in /tmp, where anyone may take a name first.
  setenv("XDG_RUNTIME_DIR", "relative", 1);
  EXPECT_EQ(commandSocketPath(long_dir).parent_path(), "/tmp/" + folder);
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(commandSocketPath(long_dir).parent_path(), "/tmp/" + folder);
}

// The private folder for sockets outside the profile, as the program that
// listens finds it.
TEST(CommandChannelTest, ThePrivateSocketFolderIsMadeAndChecked) {
  const testing_support::TempDir temp;
  setenv("XDG_RUNTIME_DIR", temp.path().c_str(), 1);
  const std::filesystem::path profile = temp.path() / std::string(110, 'p');
  const std::filesystem::path folder = commandSocketPath(profile).parent_path();
  ASSERT_EQ(folder.parent_path(), temp.path());
  struct stat info {};
  const auto mode = [&] { return lstat(folder.c_str(), &info) == 0 ? info.st_mode & 07777 : 0; };
  const std::filesystem::path elsewhere = temp.path() / "elsewhere";
  std::filesystem::create_directory(elsewhere);
  // Each makes what is in the folder's place; false: it cannot here.
  const struct {
    const char* name;
    std::function<bool()> make;
    const char* refusal;  // nullptr: ready, with mode 0700
  } cases[] = {
      {"missing", [] { return true; }, nullptr},
      {"open to others", [&] { return std::filesystem::create_directory(folder) && chmod(folder.c_str(), 0777) == 0; },
       nullptr},
      {"a file", [&] { return std::ofstream(folder).good(); }, "is not a folder"},
      {"a link to a folder",
       [&] {
         std::filesystem::create_directory_symlink(elsewhere, folder);
         return true;
       },
       "is not a folder"},
      // Only root can give a folder away.
      {"another user's",
       [&] { return std::filesystem::create_directory(folder) && chown(folder.c_str(), getuid() + 4242, -1) == 0; },
       "belongs to another user"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(folder);
    if (!c.make()) continue;
    if (c.refusal == nullptr) {
      EXPECT_EQ(prepareCommandSocket(profile), commandSocketPath(profile));
      EXPECT_EQ(mode(), 0700u);
      EXPECT_TRUE(S_ISDIR(info.st_mode));
      EXPECT_EQ(info.st_uid, getuid());
    } else {
      try {
        prepareCommandSocket(profile);
        ADD_FAILURE() << "accepted";
      } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(folder.string()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
      }
    }
  }
  std::filesystem::remove_all(folder);
  unsetenv("XDG_RUNTIME_DIR");
  // In the profile, nothing is made.
  EXPECT_EQ(prepareCommandSocket(temp.path() / "short"), temp.path() / "short" / "desktop.sock");
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "short"));
}

TEST(CommandChannelTest, ARelativeProfileGivesTheSameSocketAsItsAbsolutePath) {
  const std::filesystem::path here = std::filesystem::current_path();
  EXPECT_EQ(commandSocketPath("profile"), commandSocketPath(here / "profile"));
}

}  // namespace
}  // namespace profile
