#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/run_render.h"
#include "gif/gif_check.h"
#include "png/png_check.h"
#include "support/temp_dir.h"
#include "viewer/program_chart.h"

namespace kep::cli {
namespace {

using testing::Outcome;
using testing::Render;

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  const std::string bytes = test::ReadFileBytes(path);
  return {bytes.begin(), bytes.end()};
}

gif::GIFColor PixelOf(const gif::test::Decoded& image, int x, int y) {
  const gif::test::Decoded::Frame& frame = image.frames.at(0);
  return frame.palette.at(frame.raster.at(static_cast<std::size_t>(y * frame.width + x)));
}

constexpr std::string_view kFile = "Tavrine sequence\n1 12 = 2^2 * 3\n2 150 = 2 * 3 * 5^2\n3 7 = 7\n";

TEST(RenderChartTest, WritesTheChartAsAGifOfTheChosenSize) {
  test::TempDir dir;
  const std::string file = dir.Write("a.kep", kFile);
  const std::string gif = dir.File("out.gif");
  const Outcome run = Render({file, "-o", gif, "--size", "300x200"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  const gif::test::Decoded image = gif::test::DecodeWithGiflib(FileBytes(gif));
  ASSERT_TRUE(image.ok);
  ASSERT_EQ(image.frames.size(), 1u);
  EXPECT_EQ(image.width, 300);
  EXPECT_EQ(image.height, 200);
  EXPECT_EQ(PixelOf(image, 0, 0), (gif::GIFColor{255, 255, 255}));
  int blue = 0;
  int black = 0;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 300; ++x) {
      const gif::GIFColor c = PixelOf(image, x, y);
      blue += c == gif::GIFColor{0, 0, 255} ? 1 : 0;
      black += c == gif::GIFColor{0, 0, 0} ? 1 : 0;
    }
  }
  EXPECT_GT(blue, 200);   // the line and the title
  EXPECT_GT(black, 300);  // frame, axes and labels
}

// The viewer's tests check that these are the chart's pixels and the bytes the viewer saves.
TEST(RenderChartTest, APngNameInAnyCaseGetsAPngFileAndOtherNamesAGif) {
  test::TempDir dir;
  const std::string file = dir.Write("a.kep", kFile);
  const Outcome run = Render({file, "-o", dir.File("out.PNG"), "--size", "300x200"});
  ASSERT_EQ(run.status, 0) << run.err;
  const png::test::Decoded image = png::test::DecodeWithLibpng(test::ReadFileBytes(dir.File("out.PNG")));
  ASSERT_TRUE(image.ok) << image.error;
  EXPECT_EQ(image.width, 300);
  EXPECT_EQ(image.height, 200);
  EXPECT_EQ(image.pixels.front(), 0xFFFFFFu);
  ASSERT_EQ(Render({file, "-o", dir.File("out.png.bak"), "--size", "300x200"}).status, 0);
  EXPECT_EQ(test::ReadFileBytes(dir.File("out.png.bak")).substr(0, 6), "GIF87a");
}

TEST(RenderChartTest, ScaleEnlargesImagesAndDrawingsGoByExtension) {
  test::TempDir dir;
  const std::string file = dir.Write("a.kep", kFile);
  ASSERT_EQ(Render({file, "-o", dir.File("one.png"), "--size", "300x200"}).status, 0);
  ASSERT_EQ(Render({file, "-o", dir.File("big.png"), "--size", "300x200", "--scale", "1.5"}).status, 0);
  const png::test::Decoded big = png::test::DecodeWithLibpng(test::ReadFileBytes(dir.File("big.png")));
  ASSERT_TRUE(big.ok) << big.error;
  EXPECT_EQ(big.width, 450);
  EXPECT_EQ(big.height, 300);
  // Scale 1, asked for or not, is the same file.
  ASSERT_EQ(Render({file, "-o", dir.File("same.png"), "--size", "300x200", "--scale", "1"}).status, 0);
  EXPECT_EQ(test::ReadFileBytes(dir.File("same.png")), test::ReadFileBytes(dir.File("one.png")));
  const gif::test::Decoded gif = [&] {
    EXPECT_EQ(Render({file, "-o", dir.File("big.gif"), "--scale", "2", "--size", "100x80"}).status, 0);
    return gif::test::DecodeWithGiflib(FileBytes(dir.File("big.gif")));
  }();
  ASSERT_TRUE(gif.ok);
  EXPECT_EQ(gif.frames.at(0).width, 200);

  ASSERT_EQ(Render({file, "-o", dir.File("d.SVG"), "--size", "300x200"}).status, 0);
  EXPECT_NE(test::ReadFileBytes(dir.File("d.SVG")).find("width=\"300px\" height=\"200px\""),
            std::string::npos);
  ASSERT_EQ(Render({file, "-o", dir.File("d.pdf")}).status, 0);
  EXPECT_EQ(test::ReadFileBytes(dir.File("d.pdf")).substr(0, 5), "%PDF-");

  for (const auto& args : std::vector<std::vector<std::string_view>>{{file, "--scale", "0.5"},
                                                                     {file, "--scale", "5"},
                                                                     {file, "--scale", "x"},
                                                                     {file, "--scale", "2", "--scale", "2"},
                                                                     {file, "-o", "d.svg", "--scale", "2"},
                                                                     {"--layout", file, "--scale", "2"}}) {
    const Outcome run = Render(args);
    EXPECT_EQ(run.status, 2) << args.back();
    EXPECT_NE(run.err.find("--scale"), std::string::npos) << run.err;
  }
}

TEST(RenderChartTest, WithoutAnOutputTheGifGoesToTheCurrentFolderUnderTheFilesName) {
  test::TempDir data;
  test::TempDir work;
  const std::string file = data.Write("seq.data.kep", kFile);
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(work.path());
  const Outcome run = Render({file});
  std::filesystem::current_path(before);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(work.File("seq.data.gif")));
  EXPECT_FALSE(std::filesystem::exists(data.File("seq.data.gif")));
}

TEST(RenderChartTest, LayoutDescribesTheDrawing) {
  test::TempDir dir;
  const std::string file = dir.Write("a.kep", kFile);
  const Outcome run = Render({"--layout", file});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string& json = run.out;
  EXPECT_EQ(json.front(), '{');
  EXPECT_EQ(json.substr(json.size() - 2), "}\n");
  // Without --size, the viewer's chart size.
  EXPECT_NE(json.find("\"panel\": [0, 0, " + std::to_string(viewer::kChartWidth) + ", " +
                      std::to_string(viewer::kChartHeight) + "]"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"visible_points\": [0, 2]"), std::string::npos);
  EXPECT_NE(json.find("\"title_box\": ["), std::string::npos);
  // The left axis: fixed by the load at the largest digit count + 1.
  EXPECT_NE(
      json.find(
          "{\"name\": \"left\", \"visible\": true, \"automatic\": false, \"minimum\": 0, \"maximum\": 4, "),
      std::string::npos)
      << json;
  EXPECT_NE(
      json.find(
          "{\"name\": \"bottom\", \"visible\": true, \"automatic\": true, \"minimum\": 2, \"maximum\": 4, "),
      std::string::npos)
      << json;
  EXPECT_NE(json.find("{\"value\": 4, \"text\": \"4\", \"pixel\": "), std::string::npos);
  EXPECT_NE(json.find("\"name\": \"depth\""), std::string::npos);

  // A zoom: numbers that read back exactly, and the visible range follows it.
  const Outcome zoomed = Render({"--layout", file, "--zoom", "2.1:3.3:0.1:2.7", "--size", "400x300"});
  ASSERT_EQ(zoomed.status, 0) << zoomed.err;
  EXPECT_NE(zoomed.out.find("\"panel\": [0, 0, 400, 300]"), std::string::npos);
  EXPECT_NE(zoomed.out.find("\"minimum\": 2.1, \"maximum\": 3.3"), std::string::npos) << zoomed.out;
  EXPECT_NE(zoomed.out.find("\"minimum\": 0.1, \"maximum\": 2.7"), std::string::npos);
  EXPECT_NE(zoomed.out.find("\"visible_points\": [1, 2]"), std::string::npos);
}

TEST(RenderChartTest, RefusesSizesAndZoomsItCannotHonour) {
  test::TempDir dir;
  const std::string file = dir.Write("a.kep", kFile);
  for (const auto& args : std::vector<std::vector<std::string_view>>{{file, "--size", "0x10"},
                                                                     {file, "--size", "10x"},
                                                                     {file, "--size", "16385x10"},
                                                                     {file, "--size", "10 x10"},
                                                                     {file, "--size"},
                                                                     {file, "--zoom", "1:2:3"},
                                                                     {file, "--zoom", "1:1:2:3"},
                                                                     {file, "--zoom", "nan:1:2:3"},
                                                                     {file, "--zoom", "1:2:3:4:5"},
                                                                     {file, "--zoom", "1:2:3:inf"},
                                                                     {file, file},
                                                                     {"-o", "x.gif"},
                                                                     {"--layout", file, "-o", "x.gif"},
                                                                     {file, "--frames", "2"}}) {
    const Outcome run = Render(args);
    EXPECT_EQ(run.status, 2) << args.back();
    EXPECT_NE(run.err.find("Usage:"), std::string::npos);
  }
  EXPECT_EQ(Render({file, "--zoom", "-5:5e1:-1:0.5", "-o", dir.File("z.gif")}).status, 0);
}

TEST(RenderChartTest, LoadAndWriteErrorsExitWithOne) {
  test::TempDir dir;
  const Outcome missing = Render({dir.File("none.kep"), "-o", dir.File("x.gif")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Cannot open file"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.gif")));

  const Outcome one_line = Render({"--layout", dir.Write("one.kep", "1 2 = 3\n")});
  EXPECT_EQ(one_line.status, 1);
  EXPECT_EQ(one_line.err, "List index out of bounds (1)\n");
  EXPECT_EQ(one_line.out, "");

  const Outcome unwritable = Render({dir.Write("a.kep", kFile), "-o", dir.File("no/such/folder.gif")});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_NE(unwritable.err.find("Cannot create file"), std::string::npos);
}

}  // namespace
}  // namespace kep::cli
