// The renderer never writes the file it reads, reports output that did not
// arrive and memory that ran out, and takes any name after "--" as a FILE.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/run_render.h"
#include "support/address_space_limit.h"
#include "support/temp_dir.h"

namespace kep::cli {
namespace {

using testing::Outcome;
using testing::Render;

constexpr std::string_view kFile = "Tavrine sequence\n1 12 = 2^2 * 3\n2 150 = 2 * 3 * 5^2\n3 7 = 7\n";

// Runs the command with the current folder set to folder.
Outcome RenderIn(const std::filesystem::path& folder, std::vector<std::string_view> args) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  Outcome run = Render(std::move(args));
  std::filesystem::current_path(before);
  return run;
}

TEST(RenderSafetyTest, TheSequenceFileIsNeverTheOutput) {
  test::TempDir dir;
  const std::string sequence = dir.Write("seq.gif", kFile);
  const std::string link = dir.File("link.gif");
  std::filesystem::create_symlink(sequence, link);
  const std::string hard_link = dir.File("hard.gif");
  std::filesystem::create_hard_link(sequence, hard_link);
  const auto refusal = [](const std::string& output) {
    return "Cannot create file \"" + output + "\". It is the sequence file being read.\n";
  };

  // The default output, in the current folder, has the input's name.
  const Outcome beside = RenderIn(dir.path(), {"seq.gif"});
  EXPECT_EQ(beside.status, 1);
  EXPECT_EQ(beside.err, refusal("seq.gif"));
  for (const std::string& output : {sequence, link, hard_link}) {
    const Outcome run = Render({sequence, "-o", output});
    EXPECT_EQ(run.status, 1) << output;
    EXPECT_EQ(run.err, refusal(output));
  }
  EXPECT_EQ(Render({link, "-o", sequence}).err, refusal(sequence));
  EXPECT_EQ(test::ReadFileBytes(sequence), kFile);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
}

TEST(RenderSafetyTest, OutputThatDoesNotArriveFailsWithOne) {
  test::TempDir dir;
  const std::string file = dir.Write("a.kep", kFile);
  for (const auto& args : std::vector<std::vector<std::string_view>>{
           {"--points", file}, {"--info", file}, {"--layout", file}, {"--help"}}) {
    std::ofstream full("/dev/full");
    std::ostringstream err;
    EXPECT_EQ(RunRenderCommand(args, {}, full, err), 1) << args.front();
    EXPECT_EQ(err.str(), "Stream write error.\n");
  }
  const Outcome to_device = Render({file, "-o", "/dev/full"});
  EXPECT_EQ(to_device.status, 1);
  EXPECT_EQ(to_device.err, "Stream write error.\n");
}

TEST(RenderSafetyTest, RunningOutOfMemoryIsAMessage) {
  if (test::kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer needs the whole address space";
  test::TempDir dir;
  const std::string file = dir.Write("a.kep", kFile);
  Outcome run;
  {
    const test::AddressSpaceLimit limit(256u << 20);
    run = Render({file, "-o", dir.File("big.gif"), "--size", "16384x16384"});
  }
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Out of memory.\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("big.gif")));
}

TEST(RenderSafetyTest, ADoubleDashEndsTheOptions) {
  test::TempDir dir;
  dir.Write("-rf.kep", kFile);
  const Outcome drawn = RenderIn(dir.path(), {"-o", "out.gif", "--", "-rf.kep"});
  EXPECT_EQ(drawn.status, 0) << drawn.err;
  EXPECT_TRUE(std::filesystem::exists(dir.File("out.gif")));
  EXPECT_EQ(RenderIn(dir.path(), {"--points", "--", "-rf.kep"}).out, "2\t2\n3\t3\n4\t1\n");
  // After "--" a second "--" is a FILE too (one that does not exist here).
  EXPECT_EQ(RenderIn(dir.path(), {"--", "-rf.kep", "--"}).status, 1);
  EXPECT_EQ(RenderIn(dir.path(), {"--", "-rf.kep", "-rf.kep"}).status, 2);
}

}  // namespace
}  // namespace kep::cli
