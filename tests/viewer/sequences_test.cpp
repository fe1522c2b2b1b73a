// Several sequences on one chart through the viewer's commands: adding,
// hiding and removing files, following them all, the readout over them, and
// the files that cannot be added.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart/headless_host.h"
#include "common/error.h"
#include "support/error_text.h"
#include "support/temp_dir.h"
#include "viewer/viewer_commands.h"
#include "viewer_fakes.h"

namespace kep::viewer {
namespace {

using test::ErrorText;

// Lines "i t" whose term t has digits digit counts.
std::string Terms(int first, int count, int digits_per_line) {
  std::string text;
  for (int i = first; i < first + count; ++i) {
    text += std::to_string(i) + " " + std::string(static_cast<std::size_t>(digits_per_line * i), '3') + "\n";
  }
  return text;
}

class SequencesTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  ProgramChart chart;
  chart::HeadlessHost window{chart.Chart(), kChartWidth, kChartHeight};
  fakes::FakeUi ui;
  fakes::FakeClipboard clipboard;
  ViewerCommands commands{chart, ui, clipboard, "/samples"};

  std::vector<std::string> ShownNames() {
    std::vector<std::string> names;
    for (const ViewerCommands::Sequence& sequence : commands.Sequences()) {
      if (sequence.series->Active()) names.push_back(sequence.series->Title());
    }
    return names;
  }
};

TEST_F(SequencesTest, AddedFilesShowBesideTheFirstUntilHiddenOrRemoved) {
  const std::string a = dir.Write("a.txt", Terms(1, 20, 1));
  const std::string b = dir.Write("b.txt", Terms(1, 10, 5));
  const std::string c = dir.Write("c.txt", Terms(1, 30, 2));
  commands.AddFile(a);  // nothing open yet: this opens it
  commands.WaitForLoad();
  ui.open_answer = b;
  commands.AddSequence();
  commands.AddFile(c);
  commands.WaitForLoad();
  EXPECT_EQ(ui.open_requests.back().title, "Add sequence");
  EXPECT_EQ(ShownNames(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
  EXPECT_EQ(chart.SeriesAt(1).PointCount(), 10);
  EXPECT_EQ(chart.SeriesAt(1).SeriesColor(), SequenceColor(1));
  window.ProcessPaint();
  // The axes cover every sequence shown: c reaches 60 digits.
  EXPECT_EQ(chart.Chart().LeftAxis().Maximum(), 61);
  EXPECT_EQ(chart.Chart().BottomAxis().Maximum(), 30);
  EXPECT_FALSE(chart.Chart().Legend().LegendBox().IsEmpty());

  commands.SetSequenceShown(2, false);
  window.ProcessPaint();
  EXPECT_EQ(ShownNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(chart.Chart().LeftAxis().Maximum(), 51);

  commands.RemoveSequence(2);
  commands.RemoveSequence(1);
  window.ProcessPaint();
  EXPECT_EQ(chart.SeriesCount(), 1);
  EXPECT_TRUE(chart.Chart().Legend().LegendBox().IsEmpty());
  EXPECT_EQ(chart.Chart().LeftAxis().Maximum(), 21);

  // An open replaces them all; a reload keeps them.
  commands.AddFile(b);
  commands.WaitForLoad();
  commands.Reload();
  commands.WaitForLoad();
  EXPECT_EQ(ShownNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
  commands.OpenFile(c);
  commands.WaitForLoad();
  EXPECT_EQ(ShownNames(), (std::vector<std::string>{"c.txt"}));
}

TEST_F(SequencesTest, TwoGrowingFilesAreBothFollowed) {
  const std::string a = dir.Write("a.txt", Terms(1, 5, 1));
  const std::string b = dir.Write("b.txt", Terms(1, 3, 2));
  commands.OpenFile(a);
  commands.AddFile(b);
  commands.WaitForLoad();
  test::AppendToFile(a, Terms(6, 4, 1));
  test::AppendToFile(b, Terms(4, 7, 2));
  commands.Loads().CheckFile();
  commands.CheckAddedFiles();
  commands.WaitForLoad();
  EXPECT_EQ(chart.SeriesAt(0).PointCount(), 9);
  EXPECT_EQ(chart.SeriesAt(1).PointCount(), 10);
  // The fresh view grows with them.
  window.ProcessPaint();
  EXPECT_EQ(chart.Chart().LeftAxis().Maximum(), 21);
}

TEST_F(SequencesTest, TheReadoutNamesTheNearestSeriesAndItsLine) {
  // Two files with the same line numbers: a low line and a steep one.
  commands.OpenFile(dir.Write("low.txt", Terms(1, 50, 1)));
  commands.AddFile(dir.Write("steep.txt", Terms(1, 50, 4)));
  commands.WaitForLoad();
  window.ProcessPaint();
  const chart::ChartAxis& bottom = chart.Chart().BottomAxis();
  const chart::ChartAxis& left = chart.Chart().LeftAxis();
  const auto readout_at = [&](double x, double y) {
    return commands.ReadoutAt(bottom.XValueToPixel(x), left.YValueToPixel(y));
  };
  const std::optional<ReadoutPoint> near_low = readout_at(30, 35);
  ASSERT_TRUE(near_low);
  EXPECT_EQ(near_low->text.rfind("low.txt \u00b7 Line 30 \u00b7 ", 0), 0u) << near_low->text;
  EXPECT_EQ(near_low->series_color, SequenceColor(0));
  const std::optional<ReadoutPoint> near_steep = readout_at(30, 110);
  ASSERT_TRUE(near_steep);
  EXPECT_EQ(near_steep->text.rfind("steep.txt \u00b7 Line 30 \u00b7 ", 0), 0u) << near_steep->text;
  EXPECT_EQ(near_steep->y, 120);
  EXPECT_EQ(near_steep->series_color, SequenceColor(1));
  // Where the lines meet (x = 1) the first one drawn wins a tie; a hidden one is never read.
  commands.SetSequenceShown(0, false);
  window.ProcessPaint();
  EXPECT_EQ(readout_at(30, 35)->text.rfind("steep.txt", 0), 0u);
}

TEST_F(SequencesTest, DuplicatesSeventeenthFilesAndUnreadableOnesAreNotAdded) {
  const std::string first = dir.Write("first.txt", Terms(1, 5, 1));
  commands.OpenFile(first);
  commands.WaitForLoad();
  EXPECT_EQ(ErrorText([&] { commands.AddFile(first); }), "The file \"" + first + "\" is already shown.");
  // The same file by another name.
  EXPECT_THROW(commands.AddFile(dir.path().string() + "/./first.txt"), FileError);

  const std::string missing = dir.File("missing.txt");
  commands.AddFile(missing);
  EXPECT_EQ(ErrorText([&] { commands.WaitForLoad(); }),
            "Cannot open file \"" + missing + "\". No such file or directory");
  EXPECT_EQ(chart.SeriesCount(), 1);
  // Too short to choose its term's word: its error, and not added either.
  commands.AddFile(dir.Write("one-line.txt", "1 2 = 3\n"));
  EXPECT_EQ(ErrorText([&] { commands.WaitForLoad(); }), "List index out of bounds (1)");
  EXPECT_EQ(chart.SeriesCount(), 1);

  for (int k = 1; k < kMaxSequences; ++k)
    commands.AddFile(dir.Write("s" + std::to_string(k), Terms(1, 3, k)));
  commands.WaitForLoad();
  EXPECT_EQ(chart.SeriesCount(), kMaxSequences);
  EXPECT_EQ(ErrorText([&] { commands.AddFile(dir.Write("s17", Terms(1, 3, 1))); }),
            "At most 16 sequences can be shown at once.");
  EXPECT_EQ(chart.SeriesCount(), kMaxSequences);
}

}  // namespace
}  // namespace kep::viewer
