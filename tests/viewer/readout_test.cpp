#include "viewer/readout.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "chart/headless_host.h"
#include "support/temp_dir.h"
#include "viewer/viewer_commands.h"
#include "viewer_fakes.h"

namespace kep::viewer {
namespace {

using sequence::LineExcerpt;

LineExcerpt Excerpt(std::string before, std::string head, std::string tail, std::uint64_t length,
                    std::string after) {
  LineExcerpt e;
  e.before = std::move(before);
  e.term_head = std::move(head);
  e.term_tail = std::move(tail);
  e.term_length = length;
  e.after = std::move(after);
  return e;
}

TEST(ReadoutTextTest, LineNumberDigitCountAndTheLinesText) {
  const chart::NumberFormat c_locale;
  EXPECT_EQ(ReadoutText(1234, 6, Excerpt("1233 ", "123456", "", 6, " = 2^6 * 3 * 643"), LineTextState::kShown,
                        c_locale),
            "Line 1,234 \u00b7 6 digits \u00b7 1233 123456 = 2^6 * 3 * 643");
  // A long term shows its ends and its digit count.
  EXPECT_EQ(ReadoutText(7, 5012, Excerpt("6 ", "1234567890", "0987654321", 5012, " = p1 * p2"),
                        LineTextState::kShown, c_locale),
            "Line 7 \u00b7 5,012 digits \u00b7 6 1234567890\u20260987654321 (5,012 digits) = p1 * p2");
  // Control characters show escaped; UTF-8 stays; other bytes are U+FFFD;
  // cut text ends in an ellipsis.
  LineExcerpt cut = Excerpt("\t1\x01 ", "9", "", 1, " = caf\xc3\xa9 \xe9");
  cut.after_cut = true;
  EXPECT_EQ(ReadoutText(2, 1, cut, LineTextState::kShown, c_locale),
            "Line 2 \u00b7 1 digit \u00b7 \\u00091\\u0001 9 = caf\u00e9 \ufffd\u2026");
  // Without a term, the whole line; a changed file, no text at all.
  EXPECT_EQ(ReadoutText(3, 0, Excerpt("3 x", "", "", 0, ""), LineTextState::kShown, c_locale),
            "Line 3 \u00b7 0 digits \u00b7 3 x");
  EXPECT_EQ(ReadoutText(3, 2, std::nullopt, LineTextState::kFileChanged, c_locale),
            "Line 3 \u00b7 2 digits \u00b7 (the file has changed since it was read)");
  EXPECT_EQ(ReadoutText(12345, 2, std::nullopt, LineTextState::kUnreadable, chart::NumberFormat(".", ",")),
            "Line 12.345 \u00b7 2 digits \u00b7 (the line could not be read)");
}

TEST(ReadoutTextTest, NearestPointByX) {
  chart::ChartSeries series;
  EXPECT_EQ(NearestPoint(series, 3), -1);
  const ValuePoint points[] = {{2, 1}, {3, 1}, {7, 1}};  // a gap of header lines at 4 to 6
  series.AppendPoints(points);
  EXPECT_EQ(NearestPoint(series, -100), 0);
  EXPECT_EQ(NearestPoint(series, 3.4), 1);
  EXPECT_EQ(NearestPoint(series, 5), 1);  // as near to 3 as to 7: the earlier
  EXPECT_EQ(NearestPoint(series, 5.1), 2);
  EXPECT_EQ(NearestPoint(series, 1e9), 2);
}

TEST(ReadoutTextTest, AllZeroNoticeNamesTheWord) {
  EXPECT_EQ(
      AllZeroNotice({3, false, 10, 0}),
      "Every point has digit count 0: no line has a word 3. Choose another under View \u25b8 Term column.");
  EXPECT_FALSE(AllZeroNotice({3, false, 10, 1}));
  EXPECT_FALSE(AllZeroNotice({3, false, 0, 0}));
}

// The readout over a chart drawn from a file, as the window asks for it.
class ReadoutTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  ProgramChart program;
  chart::HeadlessHost window{program.Chart(), kChartWidth, kChartHeight};
  fakes::FakeUi ui;
  fakes::FakeClipboard clipboard;
  ViewerCommands commands{program, ui, clipboard, "/samples"};

  // Opens path and waits for its load, as the window does.
  void Open(const std::string& path) {
    commands.OpenFile(path);
    commands.WaitForLoad();
  }

  // The readout with the mouse over X value x (or the plot's last pixel
  // column, where the axis ends), halfway down the plot.
  std::optional<ReadoutPoint> Over(double x) {
    const raster::IntRect& plot = program.Chart().PlotRect();
    const int pixel_x = std::min(program.Chart().BottomAxis().XValueToPixel(x), plot.Right - 1);
    return commands.ReadoutAt(pixel_x, (plot.Top + plot.Bottom) / 2);
  }
  std::string TextOver(double x) {
    const std::optional<ReadoutPoint> point = Over(x);
    return point ? point->text : "nothing";
  }
};

TEST_F(ReadoutTest, AnswersOverThePlotRectangleOnly) {
  Open(dir.Write("a.kep", "1 12\n2 150\n3 7\n"));
  const raster::IntRect& plot = program.Chart().PlotRect();
  EXPECT_TRUE(commands.ReadoutAt(plot.Left, plot.Top));
  EXPECT_TRUE(commands.ReadoutAt(plot.Right - 1, plot.Bottom - 1));
  EXPECT_FALSE(commands.ReadoutAt(plot.Left - 1, plot.Top));
  EXPECT_FALSE(commands.ReadoutAt(plot.Left, plot.Top - 1));
  EXPECT_FALSE(commands.ReadoutAt(plot.Right, plot.Top));
  EXPECT_FALSE(commands.ReadoutAt(plot.Left, plot.Bottom));
}

// A line is read when the point under the mouse changes, not at every move:
// bytes changed behind the file's back (its size and time kept) show only
// once another point was read in between.
TEST_F(ReadoutTest, TheLineIsReadOncePerPoint) {
  const std::string path = dir.Write("a.kep", "1 12 = aaa\n2 150 = bbb\n");
  Open(path);
  EXPECT_EQ(TextOver(1), "Line 1 \u00b7 2 digits \u00b7 1 12 = aaa");
  const auto time = std::filesystem::last_write_time(path);
  {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file << "1 12 = xyz";
  }
  std::filesystem::last_write_time(path, time);
  EXPECT_EQ(TextOver(1.2), "Line 1 \u00b7 2 digits \u00b7 1 12 = aaa");
  EXPECT_EQ(TextOver(2), "Line 2 \u00b7 3 digits \u00b7 2 150 = bbb");
  EXPECT_EQ(TextOver(1), "Line 1 \u00b7 2 digits \u00b7 1 12 = xyz");
}

TEST_F(ReadoutTest, BFilesAndSQFilesShowTheirOwnLines) {
  Open(dir.Write("b000045.txt", "# A000045 Fibonacci\n#\n0 0\n1 1\n# gap\n10 55\n"));
  EXPECT_EQ(commands.Loads().Summary().number_column, 2u);
  EXPECT_TRUE(commands.Loads().Summary().bfile);
  EXPECT_EQ(TextOver(6), "Line 6 \u00b7 2 digits \u00b7 10 55");
  EXPECT_EQ(TextOver(4.6), "Line 4 \u00b7 1 digit \u00b7 1 1");

  // An "SQ" file: x counts the kept lines; line 0 reads its first word as the term.
  Open(dir.Write("SQ7", "123\nskipped\n1 4444\nskipped\n2 55\n"));
  EXPECT_EQ(TextOver(1), "Line 1 \u00b7 3 digits \u00b7 123");
  EXPECT_EQ(TextOver(3), "Line 3 \u00b7 2 digits \u00b7 2 55");
}

TEST_F(ReadoutTest, AChangedFileShowsThePointWithoutText) {
  const std::string path = dir.Write("a.kep", "1 12 = 2^2 * 3\n2 150 = 2 * 3 * 5^2\n");
  Open(path);
  EXPECT_EQ(TextOver(1), "Line 1 \u00b7 2 digits \u00b7 1 12 = 2^2 * 3");
  test::AppendToFile(path, "3 7 = 7\n");
  EXPECT_EQ(TextOver(1), "Line 1 \u00b7 2 digits \u00b7 (the file has changed since it was read)");
  // Following takes in the append and extends the line index.
  commands.Loads().CheckFile();
  commands.WaitForLoad();
  window.ProcessPaint();
  EXPECT_EQ(program.Series().PointCount(), 3);
  EXPECT_EQ(TextOver(3), "Line 3 \u00b7 1 digit \u00b7 3 7 = 7");
  EXPECT_EQ(TextOver(1), "Line 1 \u00b7 2 digits \u00b7 1 12 = 2^2 * 3");
  // Replaced under the same name by a file of the same size.
  const std::string other = dir.Write("b.kep", "1 99 = 3^2 * 11\n2 150 = 2 * 3 * 5^2\n3 7 = 7\n");
  std::filesystem::rename(other, path);
  EXPECT_EQ(TextOver(1), "Line 1 \u00b7 2 digits \u00b7 (the file has changed since it was read)");
}

TEST_F(ReadoutTest, TheTermColumnReadsTheOpenFileAgain) {
  Open(dir.Write("a.txt", "0 1\n1 22\n2 333\n"));
  EXPECT_TRUE(commands.Loads().Summary().bfile);
  EXPECT_EQ(program.Chart().LeftAxis().Maximum(), 4);
  commands.SetTermColumn(sequence::TermColumn::kWord3);
  commands.WaitForLoad();
  EXPECT_EQ(commands.Loads().Summary().number_column, 3u);
  EXPECT_FALSE(commands.Loads().Summary().bfile);
  EXPECT_EQ(program.Chart().LeftAxis().Maximum(), 1);
  EXPECT_TRUE(AllZeroNotice(commands.Loads().Summary()));
  EXPECT_EQ(TextOver(2), "Line 2 \u00b7 0 digits \u00b7 1 22");
  // The choice holds for the next file; a one-line file needs no second line then.
  Open(dir.Write("one.txt", "1 22 333 = x"));
  EXPECT_EQ(program.Series().PointCount(), 1);
  EXPECT_EQ(TextOver(1), "Line 1 \u00b7 3 digits \u00b7 1 22 333 = x");
}

}  // namespace
}  // namespace kep::viewer
