#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/run_render.h"
#include "support/temp_dir.h"

namespace kep::cli {
namespace {

using testing::Outcome;
using testing::Render;

TEST(RenderCommandTest, PointsAndInfo) {
  test::TempDir dir;
  const std::string file = dir.Write("a.kep", "Tavrine x\n1 12 = 4\n2 1234567890123456789 = 5\n");
  const Outcome points = Render({"--points", file});
  EXPECT_EQ(points.status, 0);
  EXPECT_EQ(points.out, "2\t2\n3\t19\n");
  EXPECT_EQ(points.err, "");

  const Outcome info = Render({"--info", file});
  EXPECT_EQ(info.out, "points 2\nlargest-digit-count 19\nnumber-column 2\nb-file no\nreformatted no\n");

  const std::string sq = dir.Write("SQ12", "7\nx\n1 22\n");
  EXPECT_EQ(Render({"--info", sq}).out,
            "points 2\nlargest-digit-count 2\nnumber-column 2\nb-file no\nreformatted yes\n");
}

TEST(RenderCommandTest, TheTermColumnAutomaticOrFixed) {
  test::TempDir dir;
  const std::string bfile = dir.Write("b000045.txt", "# A000045\n\n0 0\n1 1\n# gap\n7 13\n");
  EXPECT_EQ(Render({"--points", bfile}).out, "3\t1\n4\t1\n6\t2\n");
  EXPECT_EQ(Render({"--info", bfile}).out,
            "points 3\nlargest-digit-count 2\nnumber-column 2\nb-file yes\nreformatted no\n");
  // A fixed word reads every line, comments too, and needs no second line.
  EXPECT_EQ(Render({"--points", bfile, "--column", "3"}).out, "1\t0\n3\t0\n4\t0\n5\t0\n6\t0\n");
  EXPECT_EQ(Render({"--info", bfile, "--column", "2"}).out,
            "points 5\nlargest-digit-count 7\nnumber-column 2\nb-file no\nreformatted no\n");
  EXPECT_EQ(Render({"--points", dir.Write("one", "1 22 333"), "--column", "3"}).out, "1\t3\n");
  EXPECT_EQ(Render({"--points", "--", bfile, "--column", "2"}).out, "1\t7\n3\t1\n4\t1\n5\t3\n6\t2\n");

  // The image and the layout take the same column.
  const std::string colon = dir.Write("c.kep", "0 : 1 = 1\n1 : 22 = 2\n");
  const auto left_axis_top = [](const std::string& json) {
    const std::size_t left = json.find("\"name\": \"left\"");
    const std::size_t maximum = json.find("\"maximum\": ", left);
    return left == std::string::npos ? std::string()
                                     : json.substr(maximum + 11, json.find(',', maximum) - maximum - 11);
  };
  EXPECT_EQ(left_axis_top(Render({"--layout", colon, "--column", "2"}).out), "2");  // 1 digit + 1
  EXPECT_EQ(left_axis_top(Render({"--column", "3", "--layout", colon}).out), "3");
}

TEST(RenderCommandTest, LoadErrorsGoToStandardErrorAsTheUserSeesThem) {
  test::TempDir dir;
  const Outcome one_line = Render({"--points", dir.Write("one", "1 2 = 3\n")});
  EXPECT_EQ(one_line.status, 1);
  EXPECT_EQ(one_line.out, "");
  EXPECT_EQ(one_line.err, "List index out of bounds (1)\n");  // no full stop after ")"

  const std::string missing = dir.File("none.kep");
  const Outcome absent = Render({"--info", missing});
  EXPECT_EQ(absent.status, 1);
  EXPECT_EQ(absent.err, "Cannot open file \"" + missing + "\". No such file or directory.\n");
}

TEST(RenderCommandTest, UsageErrorsAndHelp) {
  for (const auto& args : std::vector<std::vector<std::string_view>>{{},
                                                                     {"--points"},
                                                                     {"--bogus", "x"},
                                                                     {"--points", "a", "b"},
                                                                     {"--help", "x"},
                                                                     {"a", "--column", "4"},
                                                                     {"--points", "a", "--column"},
                                                                     {"--info", "a", "--column", "auto"}}) {
    const Outcome run = Render(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Usage:"), std::string::npos);
    EXPECT_EQ(run.out, "");
  }
  const Outcome help = Render({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage:"), std::string::npos);
}

}  // namespace
}  // namespace kep::cli

namespace kep::cli {
namespace {

using testing::Outcome;
using testing::Render;

// Terms whose digit counts grow by step per line.
std::string Growing(int lines, int step) {
  std::string text;
  for (int i = 1; i <= lines; ++i)
    text += std::to_string(i) + " " + std::string(static_cast<std::size_t>(step * i), '7') + "\n";
  return text;
}

TEST(RenderCommandTest, SeveralFilesGiveOneInfoBlockAndOneGrowthLineEach) {
  test::TempDir dir;
  const std::string a = dir.Write("a.txt", Growing(40, 2));
  const std::string b = dir.Write("b.txt", Growing(30, 5));
  const Outcome info = Render({"--info", a, b});
  ASSERT_EQ(info.status, 0) << info.err;
  const std::string block_a = Render({"--info", a}).out;
  EXPECT_EQ(info.out, "file " + a + "\n" + block_a + "\nfile " + b + "\n" + Render({"--info", b}).out);

  const Outcome growth = Render({"--growth", a, b});
  ASSERT_EQ(growth.status, 0) << growth.err;
  EXPECT_EQ(growth.out, a + ": +2.0000 digits/line (\u00d7100.000 per term)\n" + b +
                            ": +5.0000 digits/line (\u00d7100,000.000 per term)\n");
  // Over a zoom's range: lines 1 .. 2.5 hold two points of each file, 35 .. 40 only a's.
  EXPECT_EQ(Render({"--growth", a, b, "--zoom", "35:41:0:300"}).out,
            a + ": +2.0000 digits/line (\u00d7100.000 per term)\n" + b + ": fewer than 2 points in view\n");
}

TEST(RenderCommandTest, SeveralFilesAreRefusedTwiceOrBeyondSixteen) {
  test::TempDir dir;
  std::vector<std::string> files;
  for (int i = 0; i < 17; ++i) files.push_back(dir.Write("s" + std::to_string(i), Growing(3, 1)));
  std::vector<std::string_view> args(files.begin(), files.end());
  args.push_back("--layout");
  const Outcome seventeen = Render(args);
  EXPECT_EQ(seventeen.status, 2);
  EXPECT_NE(seventeen.err.find("At most 16 sequences can be shown at once."), std::string::npos);
  args.erase(args.begin());
  EXPECT_EQ(Render(args).status, 0);
  EXPECT_EQ(Render({files[0], files[1], files[0], "--layout"}).status, 2);
  // A file that cannot be read fails the run with its message.
  const Outcome missing = Render({files[0], dir.File("none"), "--layout"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Cannot open file"), std::string::npos);
}

}  // namespace
}  // namespace kep::cli
