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
  EXPECT_EQ(info.out, "points 2\nlargest-digit-count 19\nnumber-column 2\nreformatted no\n");

  const std::string sq = dir.Write("SQ12", "7\nx\n1 22\n");
  EXPECT_EQ(Render({"--info", sq}).out, "points 2\nlargest-digit-count 2\nnumber-column 2\nreformatted yes\n");
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
  for (const auto& args : std::vector<std::vector<std::string_view>>{
           {}, {"--points"}, {"--bogus", "x"}, {"--info", "a", "b"}, {"--help", "x"}}) {
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
