// The open and save commands against failing system calls: files that cannot
// be written or read, files that change size, and memory that runs out. Each
// failure must reach the user as a message and leave the chart and any
// previous file as they were. Changes to the process itself (user, mounts,
// memory limit) are made in a child process.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "chart/headless_host.h"
#include "support/error_text.h"
#include "support/temp_dir.h"
#include "viewer/sequence_loader.h"
#include "viewer/viewer_commands.h"
#include "viewer_fakes.h"

namespace kep::viewer {
namespace {

using test::ErrorText;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

constexpr std::string_view kSkip = "skip: ";

// Runs body in a child process and returns the text it returned, or what
// ended the child. The child shares nothing with this process afterwards, so
// it may change its user, mounts or limits.
std::string InChild(const std::function<std::string()>& body) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return "pipe failed";
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_ends[0]);
    std::string result;
    try {
      result = body();
    } catch (const std::exception& error) {
      result = std::string("uncaught: ") + error.what();
    }
    for (std::size_t done = 0; done < result.size();) {
      const ssize_t n = ::write(pipe_ends[1], result.data() + done, result.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(pipe_ends[1]);
  std::string result;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0;)
    result.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe_ends[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFSIGNALED(status)) return "child died of signal " + std::to_string(WTERMSIG(status));
  return result;
}

bool WriteText(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

// The viewer's commands over a loaded chart, with the chart's state as text
// so that "unchanged" can be checked in one comparison (also across a fork).
class FaultTest : public ::testing::Test {
 protected:
  FaultTest() {
    Open(dir.Write("small.kep", "1 7 = 7\n2 22 = 2 * 11\n3 333 = 3^2 * 37\n"));
    before = ChartState();
  }

  std::string ChartState() const {
    const chart::LineSeries& series = program.Series();
    std::string state = "title " + program.Chart().Title().Text().at(0) + "; points";
    for (int i = 0; i < series.PointCount(); ++i) {
      state += " (" + std::to_string(series.XValueAt(i)) + ", " + std::to_string(series.YValueAt(i)) + ")";
    }
    return state + "; left axis top " + std::to_string(program.Chart().LeftAxis().Maximum());
  }

  // Loads path as the open command does, to its end.
  void Open(const std::string& path) {
    commands.OpenFile(path);
    commands.WaitForLoad();
  }

  std::string SaveTo(const std::string& path) {
    ui.save_answer = path;
    return ErrorText([&] { commands.SaveImage(); });
  }

  test::TempDir dir;
  ProgramChart program;
  chart::HeadlessHost window{program.Chart(), kChartWidth, kChartHeight};
  fakes::FakeUi ui;
  fakes::FakeClipboard clipboard;
  ViewerCommands commands{program, ui, clipboard, dir.path().string()};
  std::string before;
};

TEST_F(FaultTest, SavingToAFullDiskOrAFolderFailsAndKeepsThePreviousFile) {
  const std::string full = dir.File("full.gif");
  std::filesystem::create_symlink("/dev/full", full);
  EXPECT_EQ(SaveTo(full), "Stream write error");

  const std::string folder = dir.File("folder.gif");
  std::filesystem::create_directory(folder);
  ASSERT_TRUE(WriteText(folder + "/kept", "previous"));
  EXPECT_EQ(SaveTo(folder), "Cannot create file \"" + folder + "\". Is a directory");
  EXPECT_EQ(test::ReadFileBytes(folder + "/kept"), "previous");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

// A folder the user may not write to: as root the child first becomes an
// ordinary user, for whom the folder's permissions count.
TEST_F(FaultTest, SavingIntoAFolderWithoutWritePermissionKeepsThePreviousFile) {
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all |
                                               std::filesystem::perms::group_exec |
                                               std::filesystem::perms::others_exec);
  const std::string locked = dir.File("locked");
  std::filesystem::create_directory(locked);
  const std::string previous = locked + "/chart.gif";
  ASSERT_TRUE(WriteText(previous, "previous"));
  ::chmod(previous.c_str(), 0644);
  ::chmod(locked.c_str(), 0555);

  const std::string outcome = InChild([&]() -> std::string {
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      return std::string(kSkip) + "cannot leave the root user: " + std::strerror(errno);
    }
    return SaveTo(previous);
  });
  if (outcome.starts_with(kSkip)) GTEST_SKIP() << outcome;
  EXPECT_EQ(outcome, "Cannot create file \"" + previous + "\". Permission denied");
  EXPECT_EQ(test::ReadFileBytes(previous), "previous");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(locked), {}), 1);
}

// A read-only file system, made in the child by mounting the folder over
// itself read-only in a mount namespace of its own.
TEST_F(FaultTest, SavingOntoAReadOnlyFileSystemKeepsThePreviousFile) {
  const std::string previous = dir.Write("chart.gif", "previous");
  const std::string folder = dir.path().string();
  const std::string outcome = InChild([&]() -> std::string {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
      return std::string(kSkip) + "no user and mount namespaces here: " + std::strerror(errno);
    }
    // Keep this user's files this user's inside the namespace.
    const bool mapped =
        WriteText("/proc/self/setgroups", "deny") &&
        WriteText("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1") &&
        WriteText("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
    if (!mapped || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
      return std::string(kSkip) + "cannot mount a folder read-only: " + std::strerror(errno);
    }
    return SaveTo(previous);
  });
  if (outcome.starts_with(kSkip)) GTEST_SKIP() << outcome;
  EXPECT_EQ(outcome, "Cannot create file \"" + previous + "\". Read-only file system");
  EXPECT_EQ(test::ReadFileBytes(previous), "previous");
}

TEST_F(FaultTest, FilesThatCannotBeReadLeaveTheChartAsItWas) {
  const std::string gone = dir.Write("gone.kep", "1 1 = 1\n2 2 = 2\n");
  ui.open_answer = gone;
  std::filesystem::remove(gone);  // between the dialog and the load
  EXPECT_EQ(ErrorText([&] {
              commands.OpenSequence();
              commands.WaitForLoad();
            }),
            "Cannot open file \"" + gone + "\". No such file or directory");

  const std::string fifo = dir.File("fifo.kep");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int writer_side = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);  // a writer that never writes
  EXPECT_EQ(ErrorText([&] { Open(fifo); }), "Cannot open file \"" + fifo + "\". It is not a regular file");
  ::close(writer_side);
  EXPECT_EQ(ErrorText([&] { Open("/dev/urandom"); }),
            "Cannot open file \"/dev/urandom\". It is not a regular file");
  EXPECT_EQ(ErrorText([&] { Open(dir.path().string()); }),
            "Cannot open file \"" + dir.path().string() + "\". Is a directory");
  EXPECT_EQ(ChartState(), before);
}

// Files whose size on opening is not what reading finds: kernel files report
// 4096 bytes (or 0) whatever they hold, like a file that shrank (or grew)
// between the size query and the reading.
TEST_F(FaultTest, FilesThatAreShorterOrLongerThanTheirSizeAreReadToTheirEnd) {
  int checked = 0;
  for (const char* path : {"/sys/kernel/mm/transparent_hugepage/enabled", "/proc/version"}) {
    std::ifstream in(path);
    if (!in) continue;
    std::vector<std::string> expected;
    for (std::string line; std::getline(in, line);) expected.push_back(line);
    const LoadedSequence loaded = ReadSequence(path, {});
    EXPECT_EQ(loaded.reader->FileLines(), expected.size()) << path;
    ++checked;
  }
  if (checked == 0) GTEST_SKIP() << "no kernel files to read here";
}

// Under a lowered address-space limit, points that do not fit fail with a
// message that says so, and the chart keeps the points, title and axis of
// the file before. A file larger than the memory left still opens when its
// points fit, and what follows the first NUL costs nothing.
TEST_F(FaultTest, LoadingNeedsMemoryForThePointsOnly) {
  if (kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer reserves more address space than any useful limit";
  // Loads run on a worker thread. An allocator arena of the worker's own
  // would be address space reserved before the limit is set, which the load
  // could then use beyond the limit; ctest runs this test with one arena.
  if (const char* arenas = std::getenv("MALLOC_ARENA_MAX"); arenas == nullptr || std::string(arenas) != "1") {
    GTEST_SKIP() << "needs MALLOC_ARENA_MAX=1";
  }
  constexpr std::size_t kHeadroom = std::size_t{24} << 20;
  // 6 million points, each after a blank line: 18 MB to read, and as the
  // line positions have gaps, 30 MB of points.
  const std::string many = dir.File("many.kep");
  std::string lines;
  for (int i = 0; i < 6'000'000; ++i) lines += "7\n\n";
  ASSERT_TRUE(WriteText(many, lines));
  // 80 MiB in 40 lines: far more than the headroom, in 40 points.
  lines = std::string();
  for (int i = 0; i < 40; ++i) lines += std::to_string(i) + " " + std::string(2 << 20, '9') + " = x\n";
  const std::string wide = dir.File("wide.kep");
  ASSERT_TRUE(WriteText(wide, lines));
  lines = std::string();
  // Three lines, a NUL, and a sparse tail of 2 GiB.
  const std::string tail = dir.Write("tail.kep", std::string("1 1 = 1\n2 22 = 2\n3 333 = 3\n\0", 28));
  std::filesystem::resize_file(tail, std::uint64_t{2} << 30);

  const std::string outcome = InChild([&]() -> std::string {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlimit limit{static_cast<rlim_t>(pages * ::sysconf(_SC_PAGESIZE)) + kHeadroom, RLIM_INFINITY};
    // The load's worker thread takes its memory from the main arena: an arena
    // of its own would reserve address space that the limit counts.
    ::mallopt(M_ARENA_MAX, 1);
    if (pages == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0)
      return std::string(kSkip) + "cannot lower the limit";
    std::string result = "many: " + ErrorText([&] { Open(many); });
    result += "\nchart: " + ChartState();
    result += "\nwide: " + ErrorText([&] { Open(wide); });
    result += ", " + std::to_string(program.Series().PointCount()) + " points";
    result += "\ntail: " + ErrorText([&] { Open(tail); });
    result += ", " + std::to_string(program.Series().PointCount()) + " points";
    return result;
  });
  if (outcome.starts_with(kSkip)) GTEST_SKIP() << outcome;
  EXPECT_EQ(outcome, "many: Out of memory\nchart: " + before +
                         "\nwide: no error, 40 points\ntail: no error, 3 points");
}

}  // namespace
}  // namespace kep::viewer
