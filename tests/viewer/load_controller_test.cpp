// Loads on the worker thread and following a file that changes, through the
// controller's public steps. Every test also runs under ThreadSanitizer.
#include "viewer/load_controller.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "chart/headless_host.h"
#include "common/error.h"
#include "support/temp_dir.h"

namespace kep::viewer {
namespace {

// The test's sequence lines, terms of 1 to 40 digits.
std::string Lines(int first, int count) { return test::SequenceLines(first, count, 40); }

class LoadControllerTest : public ::testing::Test {
 protected:
  // The points as (x, y) pairs.
  static std::vector<std::pair<double, double>> Points(const chart::ChartSeries& series) {
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < series.PointCount(); ++i) points.emplace_back(series.XValueAt(i), series.YValueAt(i));
    return points;
  }

  // What a fresh open of the file shows now, in a chart of its own.
  std::vector<std::pair<double, double>> FreshPoints(const std::string& path) {
    ProgramChart fresh;
    LoadSequence(path, fresh, {});
    return Points(fresh.Series());
  }

  // The chart of a fresh open of the file, drawn at the window's size.
  raster::Bitmap FreshPicture(const std::string& path) {
    ProgramChart fresh;
    chart::HeadlessHost fresh_window{fresh.Chart(), kChartWidth, kChartHeight};
    LoadSequence(path, fresh, {});
    return fresh.Chart().RenderToBitmap(fresh.Chart().ClientRect());
  }
  raster::Bitmap Picture() { return program.Chart().RenderToBitmap(program.Chart().ClientRect()); }

  // Opens path as the open command does.
  void Open(const std::string& path) {
    loads.Open(path, {});
    ASSERT_EQ(loads.Wait(), LoadEnd::kOpened);
    views.Restart();
  }

  // One look at the followed file and the load it started, to its end.
  LoadEnd Look() {
    loads.CheckFile();
    return loads.Wait();
  }

  test::TempDir dir;
  ProgramChart program;
  chart::HeadlessHost window{program.Chart(), kChartWidth, kChartHeight};
  ViewHistory views{program};
  LoadController loads{program, views};
};

TEST_F(LoadControllerTest, ACancelledOrReplacedLoadLeavesNothingOfItself) {
  const std::string small = dir.Write("small.kep", Lines(1, 3));
  const std::string big = dir.Write("big.kep", Lines(1, 300'000));
  Open(small);
  window.ProcessPaint();

  int ended = 0;
  loads.on_worker_event = [&ended] { ++ended; };  // runs on the worker
  loads.Open(big, {});
  EXPECT_TRUE(loads.Loading());
  loads.Cancel();
  EXPECT_FALSE(loads.Loading());
  EXPECT_EQ(loads.Poll(), LoadEnd::kNone);
  EXPECT_EQ(Points(program.Series()), FreshPoints(small));
  EXPECT_EQ(program.Chart().Title().Text().at(0), "Sequence file: small.kep");
  EXPECT_EQ(loads.FollowedPath(), small);

  // A second open cancels the first; only the second is put in place.
  loads.Open(big, {});
  const std::string other = dir.Write("other.kep", Lines(10, 5));
  loads.Open(other, {});
  EXPECT_EQ(loads.Wait(), LoadEnd::kOpened);
  EXPECT_EQ(Points(program.Series()), FreshPoints(other));
  EXPECT_EQ(loads.Summary().points, 5u);
  EXPECT_EQ(loads.FollowedPath(), other);
  EXPECT_EQ(ended, 3);  // every worker told its end, the cancelled ones too
}

TEST_F(LoadControllerTest, OpenErrorsAreRaisedWhenTheLoadIsTakenIn) {
  const std::string good = dir.Write("good.kep", Lines(1, 4));
  Open(good);
  loads.Open(dir.File("missing.kep"), {});
  EXPECT_THROW(loads.Wait(), FileError);
  EXPECT_EQ(Points(program.Series()), FreshPoints(good));
  EXPECT_EQ(loads.FollowedPath(), good);

  // Too short for a number column: the chart was cleared for the file, which
  // is then followed and shows its points once it has two lines.
  const std::string one = dir.Write("one.kep", "1 22 = x\n");
  std::string folder;
  LoadHooks hooks;
  hooks.remember_folder = [&folder](const std::string& f) { folder = f; };
  loads.Open(one, hooks);
  EXPECT_THROW(loads.Wait(), Error);
  views.Restart();
  EXPECT_EQ(folder, dir.path().string());
  EXPECT_EQ(program.Series().PointCount(), 0);
  EXPECT_EQ(loads.FollowedPath(), one);
  test::AppendToFile(one, "2 333 = y\n");
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(one));
}

TEST_F(LoadControllerTest, AppendsInChunksShowWhatAFreshOpenShows) {
  const std::string path = dir.Write("grow.kep", Lines(1, 100));
  Open(path);
  window.ProcessPaint();              // the drawing index exists, and appends extend it
  EXPECT_EQ(Look(), LoadEnd::kNone);  // nothing changed
  const sequence::SequenceReader* reader = loads.Reader();
  ASSERT_NE(reader, nullptr);

  // More lines than one step of the line index: it grows with them.
  test::AppendToFile(path, Lines(101, 5000));
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));
  EXPECT_EQ(loads.Reader(), reader);  // the same reader went on from its end
  EXPECT_EQ(reader->BytesConsumed(), std::filesystem::file_size(path));
  const LoadedSequence fresh = ReadSequence(path, {});
  EXPECT_EQ(reader->LineIndex(), fresh.reader->LineIndex());
  EXPECT_EQ(reader->LineIndex().size(), 2u);
  EXPECT_EQ(Picture(), FreshPicture(path));

  // A line split across two writes: half a term is shown as it stands, and
  // replaced once the line is complete.
  test::AppendToFile(path, "5101 12345678901234567890123456789");
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));
  EXPECT_EQ(Picture(), FreshPicture(path));
  test::AppendToFile(
      path, "01234567890123456789012345678901234567890123456789012345678901234567890 = z\n5102 1 = 1\n");
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));
  EXPECT_EQ(loads.Summary().largest_digit_count, 100u);
  EXPECT_EQ(loads.Summary().points, 5102u);
  EXPECT_EQ(program.Chart().LeftAxis().Maximum(), 101);  // not zoomed: the top follows
  EXPECT_EQ(Picture(), FreshPicture(path));
  EXPECT_EQ(loads.State(), FollowState::kFollowing);
}

// The readout reads the reader's line index on this thread while the worker
// may extend it: it must not look while an append holds the reader.
TEST_F(LoadControllerTest, ReadoutsWhileAnAppendRunsShowNoText) {
  const std::string path = dir.Write("grow.kep", Lines(1, 100));
  Open(path);
  window.ProcessPaint();
  const raster::IntRect& plot = program.Chart().PlotRect();
  const auto first_line = [&] {
    return LookUpReadout(program, loads.LineSource(), plot.Left, plot.Top)->text;
  };
  EXPECT_EQ(first_line(), "Line 1 \u00b7 2 digits \u00b7 1 77 = x");
  test::AppendToFile(path, Lines(101, 20000));
  loads.CheckFile();
  ASSERT_TRUE(loads.Loading());
  do {  // until the append is taken in, whenever the worker ends
    EXPECT_EQ(first_line(), "Line 1 \u00b7 2 digits \u00b7 (the file has changed since it was read)");
  } while (loads.Poll() == LoadEnd::kNone);
  EXPECT_EQ(first_line(), "Line 1 \u00b7 2 digits \u00b7 1 77 = x");
  window.ProcessPaint();
  // A line far past the index of the open is found through the extended index.
  const std::string last = LookUpReadout(program, loads.LineSource(), plot.Right - 1, plot.Top)->text;
  EXPECT_TRUE(last.starts_with("Line 20,0") && last.ends_with(" = x")) << last;
}

TEST(AppendedPointsTest, WithdrawnPointsComeOffTheGatheredOnesFirst) {
  const ValuePoint a{1, 5}, b{2, 6}, c{2, 7}, d{3, 1};
  AppendedPoints appended;
  appended.Take({1, std::vector<ValuePoint>{a, b}});  // the chart's provisional last point goes
  appended.Take({1, std::vector<ValuePoint>{c}});     // b grew into c
  appended.Take({0, std::vector<ValuePoint>{d}});
  EXPECT_EQ(appended.withdrawn, 1u);
  EXPECT_EQ(appended.points, (std::vector<ValuePoint>{a, c, d}));
  appended.Take({4, {}});  // more than gathered: the rest comes off the chart
  EXPECT_EQ(appended.withdrawn, 2u);
  EXPECT_TRUE(appended.points.empty());
}

TEST_F(LoadControllerTest, ACancelledAppendHasTheFileReadInFull) {
  const std::string path = dir.Write("c.kep", Lines(1, 20));
  Open(path);
  test::AppendToFile(path, "21 4444 = x\n22 55");
  loads.CheckFile();
  loads.Cancel();  // whether or not the worker had ended, its points are dropped
  EXPECT_EQ(loads.Reader(), nullptr);
  EXPECT_EQ(program.Series().PointCount(), 20);
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_NE(loads.Reader(), nullptr);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));
  test::AppendToFile(path, "555 = y\n");
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));
}

TEST_F(LoadControllerTest, ShrunkReplacedOrRewrittenFilesAreReadAgain) {
  const std::string path = dir.Write("f.kep", Lines(1, 50));
  Open(path);

  std::filesystem::resize_file(path, 300);  // truncated mid-line
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));

  // Saved by writing a new file and renaming it over the old one.
  const std::string replacement = dir.Write("f.kep.new", Lines(500, 20));
  std::filesystem::rename(replacement, path);
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));

  // Rewritten in place with the same size and other terms.
  std::string text = test::ReadFileBytes(path);
  text.replace(text.find(" 7"), 2, "  ");
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(2));
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));

  // Truncated and written anew past the old size between two looks, as a
  // computation that starts over does: it looks grown, yet is read in full.
  std::ofstream(path, std::ios::binary | std::ios::trunc) << Lines(900, 40);
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));
  test::AppendToFile(path, Lines(940, 3));  // and followed by appends after that
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));
}

// Rewrites that grow the file keep the bytes before the old end in its last
// page; the first page and pages spread over the file tell them from appends.
TEST_F(LoadControllerTest, RewritesThatGrowTheFileAreReadInFull) {
  const std::string path = dir.Write("g.kep", Lines(1, 3000));  // many pages
  Open(path);
  const std::string text = test::ReadFileBytes(path);

  // Regenerated in one write with another first term and more lines.
  std::string regenerated = text;
  regenerated.replace(regenerated.find(' '), 2, " 5");
  std::ofstream(path, std::ios::binary | std::ios::trunc) << regenerated + Lines(3001, 5);
  EXPECT_EQ(Look(), LoadEnd::kFollowed);  // found rewritten
  EXPECT_EQ(Look(), LoadEnd::kFollowed);  // read in full
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));

  // An early line rewritten in place while the file grows, as a tool that
  // corrects its header does: the first line becomes a comment.
  {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file << "#";
  }
  test::AppendToFile(path, Lines(3006, 5));
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));
}

// An append moves the end that the next look compares: a file appended to,
// then truncated and written anew past that end with its last line changed,
// must not keep the points of the old last line.
TEST_F(LoadControllerTest, AnAppendRenewsWhatTheNextLookCompares) {
  const std::string path = dir.Write("r.kep", Lines(1, 10));
  Open(path);
  test::AppendToFile(path, Lines(11, 5));
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  std::string text = test::ReadFileBytes(path);
  text.replace(text.rfind("15 ") + 3, 1, " ");  // the last term loses a digit
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text + Lines(16, 3);
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));
}

// A reload that fails leaves the chart's points, but their lines are gone:
// the readout shows them without text.
TEST_F(LoadControllerTest, AFailedReloadShowsThePointsWithoutText) {
  const std::string path = dir.Write("u.kep", Lines(1, 10));
  Open(path);
  window.ProcessPaint();
  const raster::IntRect& plot = program.Chart().PlotRect();
  const auto first_line = [&] {
    return LookUpReadout(program, loads.LineSource(), plot.Left, plot.Top)->text;
  };
  EXPECT_EQ(first_line(), "Line 1 \u00b7 2 digits \u00b7 1 77 = x");
  std::filesystem::remove(path);
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);  // a name that cannot be read
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_NE(loads.FollowError(), "");
  EXPECT_EQ(program.Series().PointCount(), 10);
  EXPECT_EQ(first_line(), "Line 1 \u00b7 2 digits \u00b7 (the file has changed since it was read)");
  std::filesystem::remove(path);
  dir.Write("u.kep", Lines(1, 12));
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));
  EXPECT_EQ(first_line(), "Line 1 \u00b7 2 digits \u00b7 1 77 = x");
}

TEST_F(LoadControllerTest, AVanishedFileKeepsTheChartAndIsReadWhenItComesBack) {
  const std::string path = dir.Write("v.kep", Lines(1, 30));
  Open(path);
  const auto before = Points(program.Series());
  std::filesystem::remove(path);
  EXPECT_EQ(Look(), LoadEnd::kNone);
  EXPECT_EQ(loads.State(), FollowState::kVanished);
  EXPECT_EQ(Points(program.Series()), before);
  EXPECT_EQ(Look(), LoadEnd::kNone);
  EXPECT_EQ(loads.State(), FollowState::kVanished);

  dir.Write("v.kep", Lines(1, 40));
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(loads.State(), FollowState::kFollowing);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));

  // Rewritten too short for a number column: no points, as an open would
  // show, and why; its second line brings them.
  std::ofstream(path, std::ios::binary | std::ios::trunc) << "1 22 = x\n";
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(loads.FollowError(), "List index out of bounds (1)");
  EXPECT_EQ(program.Series().PointCount(), 0);
  test::AppendToFile(path, "2 333 = y\n");
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(loads.FollowError(), "");
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));

  // While the file is gone, it is not held open.
  std::filesystem::remove(path);
  EXPECT_EQ(Look(), LoadEnd::kNone);
  EXPECT_EQ(loads.Reader(), nullptr);
}

TEST_F(LoadControllerTest, TheUsersViewStaysWhileAppendsArrive) {
  const std::string path = dir.Write("z.kep", Lines(1, 100));
  Open(path);
  window.ProcessPaint();
  chart::Chart& chart = program.Chart();
  chart.SetAnimatedZoom(false);
  chart.ZoomToValues({.bottom = {10, 20}, .top = {0, 1}, .left = {2, 9}, .right = {0, 1}});
  views.InputHandled();
  const auto axes = [&] {
    return std::vector<double>{chart.BottomAxis().Minimum(), chart.BottomAxis().Maximum(),
                               chart.LeftAxis().Minimum(), chart.LeftAxis().Maximum()};
  };
  const std::vector<double> zoomed = axes();
  test::AppendToFile(path, "101 " + std::string(300, '9') + " = x\n");
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  window.ProcessPaint();
  EXPECT_EQ(axes(), zoomed);
  EXPECT_EQ(program.Series().PointCount(), 101);

  // Reset, the view shows every point as a fresh open would.
  views.ResetView();
  EXPECT_EQ(chart.LeftAxis().Maximum(), 301);
  window.ProcessPaint();
  EXPECT_EQ(chart.BottomAxis().Maximum(), 101);
  EXPECT_EQ(Picture(), FreshPicture(path));

  // Scrolled with the wheel: the left axis stays where the user put it.
  chart.MouseWheel(1);
  views.WheelHandled(std::chrono::milliseconds(0));
  const std::vector<double> scrolled = axes();
  test::AppendToFile(path, "102 " + std::string(400, '9') + " = x\n");
  EXPECT_EQ(Look(), LoadEnd::kFollowed);
  EXPECT_EQ(chart.LeftAxis().Minimum(), scrolled[2]);
  EXPECT_EQ(chart.LeftAxis().Maximum(), scrolled[3]);

  // Switched off, the file is not looked at.
  loads.SetFollowing(false);
  test::AppendToFile(path, Lines(103, 5));
  EXPECT_EQ(Look(), LoadEnd::kNone);
  EXPECT_EQ(program.Series().PointCount(), 102);
  EXPECT_EQ(loads.State(), FollowState::kOff);
  loads.SetFollowing(true);  // catches up at once
  EXPECT_EQ(loads.Wait(), LoadEnd::kFollowed);
  EXPECT_EQ(Points(program.Series()), FreshPoints(path));
}

}  // namespace
}  // namespace kep::viewer
