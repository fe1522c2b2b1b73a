#include "viewer/viewer_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "chart/headless_host.h"
#include "common/error.h"
#include "support/error_text.h"
#include "support/temp_dir.h"
#include "viewer_fakes.h"

namespace kep::viewer {
namespace {

using fakes::FakeClipboard;
using fakes::FakeUi;
using test::ErrorText;

class ViewerCommandsTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  ProgramChart chart;
  chart::HeadlessHost window{chart.Chart(), kChartWidth, kChartHeight};
  FakeUi ui;
  FakeClipboard clipboard;
  ViewerCommands commands{chart, ui, clipboard, "/samples"};

  // Loads path as the open command does, to its end.
  void Open(const std::string& path) {
    commands.OpenFile(path);
    commands.WaitForLoad();
  }
};

TEST_F(ViewerCommandsTest, OpenDialogStartsInTheSamplesThenInTheLastFolder) {
  ui.open_answer = dir.Write("a.kep", "1 2 = 3\n2 34 = 5\n");
  commands.OpenSequence();
  commands.WaitForLoad();
  ASSERT_EQ(ui.open_requests.size(), 1u);
  EXPECT_EQ(ui.open_requests[0].title, "Open sequence");
  EXPECT_EQ(ui.open_requests[0].initial_folder, "/samples");
  ASSERT_EQ(ui.open_requests[0].filters.size(), 3u);
  EXPECT_EQ(ui.open_requests[0].filters[2].patterns, std::vector<std::string>{"*"});
  EXPECT_TRUE(ui.save_enabled);
  EXPECT_EQ(chart.Series().PointCount(), 2);

  ui.open_answer.reset();  // cancelled: nothing happens
  chart.Chart().ZoomToValues({.bottom = {1, 2}, .top = {0, 1}, .left = {0, 1}, .right = {0, 1}});
  commands.OpenSequence();
  commands.WaitForLoad();
  EXPECT_EQ(ui.open_requests[1].initial_folder, dir.path().string());
  EXPECT_TRUE(chart.Chart().HasZoom());
}

TEST_F(ViewerCommandsTest, TheReformatNoticeIsHiddenAlsoWhenReformattingFails) {
  Open(dir.Write("SQ12", "7\nnote\n1 22\nnote\n"));
  EXPECT_EQ(ui.events, (std::vector<std::string>{"show notice", "hide notice"}));
  ui.events.clear();
  EXPECT_EQ(ErrorText([&] { Open(dir.Write("SQ0", "")); }), "List index out of bounds (0)");
  EXPECT_EQ(ui.events, (std::vector<std::string>{"show notice", "hide notice"}));
}

TEST_F(ViewerCommandsTest, SaveProposesTheSequenceNameAndAppendsGif) {
  Open(dir.Write("SQ77", "7\nnote\n1 22\nnote\n"));
  ui.save_answer = dir.File("chart");
  commands.SaveImage();
  ASSERT_EQ(ui.save_requests.size(), 1u);
  EXPECT_EQ(ui.save_requests[0].file_name, "SQ77.gif");
  EXPECT_EQ(ui.save_requests[0].title, "Save Chart Image");
  EXPECT_EQ(ui.save_requests[0].initial_folder, "");
  EXPECT_TRUE(std::filesystem::exists(dir.File("chart.gif")));
  EXPECT_EQ(commands.LastSaveDir(), dir.path().string());
  ASSERT_TRUE(clipboard.content.has_value());
  EXPECT_EQ(clipboard.content->Width(), chart.Chart().ClientRect().Width());
}

TEST_F(ViewerCommandsTest, ExtensionCaseAndOtherExtensions) {
  Open(dir.Write("x12.kep", "1 2 = 3\n2 34 = 5\n"));
  ui.save_answer = dir.File("upper.GIF");
  commands.SaveImage();
  EXPECT_EQ(ui.save_requests.back().file_name, "x12.gif");
  ASSERT_EQ(ui.save_requests.back().filters.size(), 4u);
  EXPECT_EQ(ui.save_requests.back().filters[0].description, "GIF files (*.gif)");
  EXPECT_EQ(ui.save_requests.back().filters[1].description, "PNG files (*.png)");
  EXPECT_EQ(ui.save_requests.back().filters[2].description, "SVG files (*.svg)");
  EXPECT_EQ(ui.save_requests.back().filters[3].description, "PDF files (*.pdf)");
  EXPECT_EQ(test::ReadFileBytes(dir.File("upper.GIF")).substr(0, 6), "GIF87a");

  ui.save_answer = dir.File("mixed.Png");
  commands.SaveImage();
  EXPECT_EQ(test::ReadFileBytes(dir.File("mixed.Png")).substr(0, 8), "\x89PNG\r\n\x1a\n");

  // Drawings by extension, in any case; the clipboard still gets the capture.
  ui.save_answer = dir.File("drawing.SVG");
  commands.SaveImage();
  EXPECT_NE(test::ReadFileBytes(dir.File("drawing.SVG")).find("<svg"), std::string::npos);
  ui.save_answer = dir.File("drawing.pdf");
  commands.SaveImage();
  EXPECT_EQ(test::ReadFileBytes(dir.File("drawing.pdf")).substr(0, 5), "%PDF-");

  ui.save_answer = dir.File("picture.jpg");
  commands.SaveImage();
  EXPECT_FALSE(std::filesystem::exists(dir.File("picture.jpg")));
  EXPECT_EQ(ui.events.back(),
            "error: Images can only be saved as GIF, PNG, SVG or PDF files (*.gif, *.png, *.svg, *.pdf).");
}

TEST_F(ViewerCommandsTest, ClipboardFailuresKeepTheLastSaveFolder) {
  Open(dir.Write("x.kep", "1 2 = 3\n2 34 = 5\n"));
  clipboard.refuse = true;
  ui.save_answer = dir.File("a.gif");
  EXPECT_EQ(ErrorText([&] { commands.SaveImage(); }), "Cannot open clipboard");
  clipboard.refuse = false;
  clipboard.loses_image = true;
  EXPECT_EQ(ErrorText([&] { commands.SaveImage(); }), "Unsupported clipboard format");
  EXPECT_EQ(commands.LastSaveDir(), "");
  EXPECT_FALSE(std::filesystem::exists(dir.File("a.gif")));
}

TEST(RecentFilesTest, KeepsTenDistinctFilesNewestFirst) {
  RecentFiles recent;
  for (int i = 1; i <= 12; ++i) recent.Add("/f" + std::to_string(i));
  recent.Add("/f5");
  EXPECT_EQ(recent.Files(), (std::vector<std::string>{"/f5", "/f12", "/f11", "/f10", "/f9", "/f8", "/f7",
                                                      "/f6", "/f4", "/f3"}));
  recent.Remove("/f12");
  EXPECT_EQ(recent.Files().size(), 9u);
  // A kept list comes back in its order, without repeats, empty entries or more than ten.
  const RecentFiles kept({"/a", "", "/b", "/a", "/c", "/d", "/e", "/f", "/g", "/h", "/i", "/j", "/k"});
  EXPECT_EQ(kept.Files(),
            (std::vector<std::string>{"/a", "/b", "/c", "/d", "/e", "/f", "/g", "/h", "/i", "/j"}));
}

TEST_F(ViewerCommandsTest, OpenedFilesBecomeRecentAndAVanishedOneIsRemovedWithAMessage) {
  const std::string a = dir.Write("a.kep", "1 2 = 3\n2 34 = 5\n");
  const std::string b = dir.Write("b.kep", "1 2 = 3\n2 345 = 5\n");
  Open(a);
  Open(b);
  EXPECT_EQ(ui.recent_files, (std::vector<std::string>{b, a}));
  // A file that fails to load is not added, and an existing entry stays.
  const std::string bad = dir.Write("bad.kep", "1 2 = 3\n");
  EXPECT_THROW(
      {
        commands.OpenRecent(bad);
        commands.WaitForLoad();
      },
      Error);
  EXPECT_EQ(ui.recent_files, (std::vector<std::string>{b, a}));

  std::filesystem::remove(a);
  commands.OpenRecent(a);
  EXPECT_EQ(ui.events.back(),
            "error: The file \"" + a + "\" no longer exists. It has been removed from the recent files.");
  EXPECT_EQ(ui.recent_files, std::vector<std::string>{b});
  EXPECT_EQ(commands.OpenFileName(), bad);  // nothing was opened

  commands.OpenRecent(b);
  commands.WaitForLoad();
  EXPECT_EQ(chart.Chart().LeftAxis().Maximum(), 4);
}

TEST_F(ViewerCommandsTest, ReloadReadsTheFileAgainAndCopyLeavesTheCaptureOnTheClipboard) {
  commands.Reload();  // no file yet
  EXPECT_EQ(chart.Series().PointCount(), 0);
  const std::string path = dir.Write("a.kep", "1 2 = 3\n2 34 = 5\n");
  Open(path);
  dir.Write("a.kep", "1 2 = 3\n2 34 = 5\n3 456 = 7\n");
  chart.Chart().ZoomToValues({.bottom = {1, 2}, .top = {0, 1}, .left = {0, 1}, .right = {0, 1}});
  commands.Reload();
  commands.WaitForLoad();
  EXPECT_EQ(chart.Series().PointCount(), 3);
  EXPECT_FALSE(chart.Chart().HasZoom());

  commands.CopyChart();
  ASSERT_TRUE(clipboard.content.has_value());
  EXPECT_EQ(*clipboard.content, chart.Chart().RenderToBitmap(chart.Chart().ClientRect()));
}

TEST_F(ViewerCommandsTest, TheOpenSequenceFileIsNeverSavedOver) {
  const std::string content = "1 2 = 3\n2 34 = 5\n";
  const std::string sequence = dir.Write("x.gif", content);
  std::filesystem::create_symlink(sequence, dir.File("link.gif"));
  commands.OpenFile(sequence);
  for (const std::string& answer : {sequence, dir.File("link.gif")}) {
    ui.save_answer = answer;
    EXPECT_EQ(ErrorText([&] { commands.SaveImage(); }),
              "Cannot create file \"" + answer + "\". It is the sequence file being read");
  }
  EXPECT_EQ(test::ReadFileBytes(sequence), content);
  EXPECT_EQ(commands.LastSaveDir(), "");

  // Still followed after another file failed to open.
  commands.WaitForLoad();
  EXPECT_THROW(Open(dir.File("missing.kep")), Error);
  ui.save_answer = sequence;
  EXPECT_EQ(ErrorText([&] { commands.SaveImage(); }),
            "Cannot create file \"" + sequence + "\". It is the sequence file being read");
  EXPECT_EQ(test::ReadFileBytes(sequence), content);
}

}  // namespace
}  // namespace kep::viewer
