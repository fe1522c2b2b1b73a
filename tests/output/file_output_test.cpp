// Replacing files safely: what a save may touch, which protections it
// honours, and what it leaves behind when it fails or is interrupted.
#include "output/file_output.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/error.h"
#include "support/error_text.h"
#include "support/temp_dir.h"

namespace kep::output {
namespace {

namespace fs = std::filesystem;

using test::ErrorText;

constexpr uid_t kOtherUser = 65534;

std::function<void(OutputStream&)> Content(const std::string& bytes) {
  return [bytes](OutputStream& out) { out.Write(bytes.data(), bytes.size()); };
}

struct stat StatusOf(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(::lstat(path.c_str(), &status), 0) << path;
  return status;
}

class FileOutputTest : public ::testing::Test {
 protected:
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  // Runs action in a child process as an ordinary user, who owns the test
  // folder, and returns what it returned. The superuser would pass every
  // permission check that these cases are about.
  std::string AsOrdinaryUser(const std::function<std::string()>& action) {
    if (::geteuid() == 0) {
      EXPECT_EQ(::chown(dir.path().c_str(), kOtherUser, kOtherUser), 0);
    }
    int channel[2];
    EXPECT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(channel[0]);
      if (::geteuid() == 0 && (::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0)) ::_exit(2);
      const std::string result = action();
      const bool sent =
          ::write(channel[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
      ::_exit(sent ? 0 : 3);
    }
    ::close(channel[1]);
    std::string result;
    char buffer[256];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) result.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    return result;
  }

  test::TempDir dir;
};

TEST_F(FileOutputTest, ANameSwappedForALinkBeforeTheRenameChangesNothingElse) {
  const std::string victim = dir.Write("victim", "secret");
  ::chmod(victim.c_str(), 0600);
  const std::string target = dir.Write("chart.gif", "old");
  ::chmod(target.c_str(), 06777);
  const ReplaceHooks swap{[&](const std::string& temporary) {
    fs::remove(temporary);
    fs::create_symlink(victim, temporary);
  }};
  EXPECT_EQ(ErrorText<FileError>([&] { WriteFileReplacing(target, Content("new"), swap); }),
            "Cannot create file \"" + target + "\". File exists");
  EXPECT_EQ(StatusOf(victim).st_mode & 07777, 0600u);
  EXPECT_EQ(test::ReadFileBytes(victim), "secret");
  EXPECT_TRUE(S_ISREG(StatusOf(target).st_mode));
  EXPECT_EQ(test::ReadFileBytes(target), "old");
  EXPECT_EQ(Names(), (std::vector<std::string>{"chart.gif", "victim"}));
}

TEST_F(FileOutputTest, TheNewFileIsPrivateUntilCompleteThenTakesTheTargetsModeAndOwner) {
  mode_t seen = 0;
  const auto watch = [&](OutputStream& out) {
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      if (entry.path().extension() == ".tmp") seen = StatusOf(entry.path()).st_mode & 07777;
    }
    out.Write("new", 3);
  };
  const mode_t umask_before = ::umask(022);
  WriteFileReplacing(dir.File("fresh.gif"), watch);
  EXPECT_EQ(seen, 0600u);
  EXPECT_EQ(StatusOf(dir.File("fresh.gif")).st_mode & 07777, 0644u);

  const std::string target = dir.Write("kept.gif", "old");
  ::chmod(target.c_str(), 0640);
  const bool superuser = ::geteuid() == 0;
  if (superuser) {
    ASSERT_EQ(::chown(target.c_str(), kOtherUser, kOtherUser), 0);
  }
  seen = 0;
  WriteFileReplacing(target, watch);
  ::umask(umask_before);
  EXPECT_EQ(seen, 0600u);
  EXPECT_EQ(StatusOf(target).st_mode & 07777, 0640u);
  EXPECT_EQ(test::ReadFileBytes(target), "new");
  if (superuser) {
    EXPECT_EQ(StatusOf(target).st_uid, kOtherUser);
  }
  EXPECT_EQ(Names(), (std::vector<std::string>{"fresh.gif", "kept.gif"}));
}

TEST_F(FileOutputTest, WritingHonoursProtectionAndKeepsWhatARenameWouldLose) {
  // Made by the superuser when the test runs as one, with set-uid and set-gid.
  const std::string foreign = dir.Write("foreign.gif", "old");
  ::chmod(foreign.c_str(), 06666);
  const std::string protected_file = dir.Write("protected.gif", "old");
  const std::string linked = dir.Write("linked.gif", "old");
  fs::create_hard_link(linked, dir.File("second-link.gif"));
  const std::string sealed = dir.File("sealed");
  fs::create_directory(sealed);
  const std::string in_sealed = dir.Write("sealed/chart.gif", "old");
  if (::geteuid() == 0) {
    for (const std::string& path : {protected_file, linked, sealed, in_sealed}) {
      ASSERT_EQ(::chown(path.c_str(), kOtherUser, kOtherUser), 0);
    }
  }
  ::chmod(protected_file.c_str(), 0444);
  ::chmod(in_sealed.c_str(), 0644);
  ::chmod(sealed.c_str(), 0555);
  const ino_t sealed_inode = StatusOf(in_sealed).st_ino;

  EXPECT_EQ(AsOrdinaryUser([&] {
              std::string results;
              for (const std::string& path : {foreign, protected_file, linked, in_sealed}) {
                results += ErrorText<FileError>([&] { WriteFileReplacing(path, Content("new")); }) + "|";
              }
              return results;
            }),
            "no error|Cannot create file \"" + protected_file + "\". Permission denied|no error|no error|");
  EXPECT_EQ(test::ReadFileBytes(protected_file), "old");
  // Replaced, as the saving user's file and without set-uid or set-gid.
  EXPECT_EQ(test::ReadFileBytes(foreign), "new");
  if (::geteuid() == 0) {
    EXPECT_EQ(StatusOf(foreign).st_uid, kOtherUser);
    EXPECT_EQ(StatusOf(foreign).st_mode & 07777, 0666u);
  }
  // Written in place: every link sees the new content; the read-only folder keeps its names.
  EXPECT_EQ(test::ReadFileBytes(dir.File("second-link.gif")), "new");
  EXPECT_EQ(StatusOf(linked).st_nlink, 2u);
  EXPECT_EQ(test::ReadFileBytes(in_sealed), "new");
  EXPECT_EQ(StatusOf(in_sealed).st_ino, sealed_inode);
  EXPECT_EQ(fs::directory_iterator(sealed)->path(), in_sealed);
  ::chmod(sealed.c_str(), 0755);
}

// In a sticky folder only the file's owner, the folder's owner and the
// superuser may rename over a name, so another user who may write the file
// has it written in place; the folder's owner has it replaced.
TEST_F(FileOutputTest, AStickyFolderKeepsTheNamesOfOthersFilesAndTheFileIsWrittenInPlace) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving folders and files to other users needs the superuser";
  const std::string others = dir.File("others");
  const std::string own = dir.File("own");
  for (const std::string& folder : {others, own}) {
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 01777);
  }
  ASSERT_EQ(::chown(own.c_str(), kOtherUser, kOtherUser), 0);
  // Both files, and the folder "others", stay the superuser's.
  const std::string in_others = dir.Write("others/chart.gif", "old");
  const std::string in_own = dir.Write("own/chart.gif", "old");
  for (const std::string& path : {in_others, in_own}) ::chmod(path.c_str(), 0666);
  const ino_t others_inode = StatusOf(in_others).st_ino;
  const ino_t own_inode = StatusOf(in_own).st_ino;

  EXPECT_EQ(AsOrdinaryUser([&] {
              return ErrorText<FileError>([&] { WriteFileReplacing(in_others, Content("new")); }) + "|" +
                     ErrorText<FileError>([&] { WriteFileReplacing(in_own, Content("new")); });
            }),
            "no error|no error");
  EXPECT_EQ(test::ReadFileBytes(in_others), "new");
  EXPECT_EQ(StatusOf(in_others).st_ino, others_inode);
  EXPECT_EQ(StatusOf(in_others).st_uid, 0u);
  EXPECT_EQ(test::ReadFileBytes(in_own), "new");
  EXPECT_NE(StatusOf(in_own).st_ino, own_inode);
  for (const std::string& folder : {others, own})
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
}

TEST_F(FileOutputTest, OnlyRegularFilesAndDevicesAreWrittenAndNothingBlocks) {
  const std::string fifo = dir.File("pipe.gif");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ErrorText<FileError>([&] { WriteFileReplacing(fifo, Content("x")); }),
            "Cannot create file \"" + fifo + "\". It is not a regular file");
  EXPECT_TRUE(S_ISFIFO(StatusOf(fifo).st_mode));
  EXPECT_EQ(ErrorText<FileError>([&] { WriteFileReplacing("/dev/full", Content("x")); }),
            "Stream write error");
  EXPECT_EQ(ErrorText<FileError>([&] { WriteFileReplacing("/dev/null", Content("x")); }), test::kNoError);
  EXPECT_EQ(Names(), std::vector<std::string>{"pipe.gif"});
}

TEST_F(FileOutputTest, AnyNameLengthFitsAndATerminatedSaveLeavesNoTemporaryFile) {
  const std::string longest = dir.File(std::string(251, 'n') + ".gif");
  WriteFileReplacing(longest, Content("old"));
  EXPECT_EQ(test::ReadFileBytes(longest), "old");

  for (const int signal_number : {SIGTERM, SIGINT}) {
    const ReplaceHooks interrupt{[signal_number](const std::string&) { ::raise(signal_number); }};
    EXPECT_EXIT(WriteFileReplacing(longest, Content("new"), interrupt),
                ::testing::KilledBySignal(signal_number), "");
  }
  EXPECT_EQ(test::ReadFileBytes(longest), "old");
  EXPECT_EQ(Names().size(), 1u);
}

}  // namespace
}  // namespace kep::output
