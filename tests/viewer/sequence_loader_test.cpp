#include "viewer/sequence_loader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "common/error.h"
#include "support/error_text.h"
#include "support/temp_dir.h"

namespace kep::viewer {
namespace {

// A load with hooks that record what they were told.
struct RecordedLoad {
  std::vector<std::string> events;
  std::uint64_t bytes = 0, lines = 0;  // the last progress
  LoadHooks Hooks() {
    return {[this] { events.push_back("show"); }, [this] { events.push_back("hide"); },
            [this](const std::string& folder) { events.push_back("folder " + folder); },
            [this](std::uint64_t read, std::uint64_t lines_read) {
              EXPECT_GE(read, bytes);  // progress only moves on
              bytes = read;
              lines = lines_read;
            }};
  }
};

std::vector<std::string> Title(const ProgramChart& program) { return program.Chart().Title().Text(); }

TEST(SequenceLoaderTest, LoadsPointsTitleFolderAndTheLeftAxisTop) {
  test::TempDir dir;
  const std::string path = dir.Write("a.kep", "Tavrine sequence\n1 12 = 2^2 * 3\n2 150 = 2 * 3 * 5^2\n");
  ProgramChart program;
  RecordedLoad record;
  const LoadResult result = LoadSequence(path, program, record.Hooks());
  EXPECT_EQ(result.name, "a.kep");
  EXPECT_EQ(result.points.points, 2u);
  EXPECT_EQ(result.points.largest_digit_count, 3u);
  EXPECT_EQ(result.points.number_column, 2u);
  EXPECT_FALSE(result.reformatted);
  EXPECT_EQ(record.events, std::vector<std::string>{"folder " + dir.path().string()});
  EXPECT_EQ(record.bytes, std::filesystem::file_size(path));
  EXPECT_EQ(record.lines, 3u);

  const chart::LineSeries& s = program.Series();
  ASSERT_EQ(s.PointCount(), 2);
  EXPECT_EQ(s.XValueAt(0), 2);
  EXPECT_EQ(s.YValueAt(0), 2);
  EXPECT_EQ(s.XValueAt(1), 3);
  EXPECT_EQ(s.YValueAt(1), 3);
  EXPECT_EQ(s.PointColor(0), raster::clBlue);
  EXPECT_EQ(Title(program), std::vector<std::string>{"Sequence file: a.kep"});
  const chart::ChartAxis& left = program.Chart().LeftAxis();
  EXPECT_FALSE(left.Automatic());
  EXPECT_FALSE(left.AutomaticMinimum());
  EXPECT_FALSE(left.AutomaticMaximum());
  EXPECT_EQ(left.Maximum(), 4);
  EXPECT_TRUE(program.Chart().BottomAxis().Automatic());

  // A file without number words: top 1; the points of the load before are gone.
  const std::string words = dir.Write("b.txt", "x\nx\nx\n");
  EXPECT_EQ(LoadSequence(words, program, {}).points.largest_digit_count, 0u);
  EXPECT_EQ(program.Series().PointCount(), 3);
  EXPECT_EQ(left.Maximum(), 1);
}

// A file long enough to be read in stretches on several threads gives the
// points, and the extremes, of a read on one thread: the joins move each
// stretch's blocks of values over whatever the fill of the block before.
TEST(SequenceLoaderTest, AFileReadInStretchesGivesThePointsOfOneThread) {
  test::TempDir dir;
  std::string text = "Tavrine sequence\n";
  const std::string digits(400, '7');
  for (std::size_t i = 1; text.size() < (std::size_t{13} << 20); ++i) {
    // Digit counts up to 400 (one and two bytes a value); now and then a
    // line without a term, which leaves a gap in the line numbers.
    text += i % 9001 == 0 ? "x" : std::to_string(i) + " " + digits.substr(0, 1 + i * 7919 % 400);
    text += "\n";
  }
  const std::string path = dir.Write("long.kep", text);

  sequence::SequenceFile file(path);
  sequence::SequenceReader reader(false, sequence::TermColumn::kAutomatic);
  chart::ChartSeries reference;
  file.ReadInto(reader, [&](const sequence::PointBatch& batch) { ApplyBatch(reference, batch); });

  const LoadedSequence loaded = ReadSequence(path, {});
  const chart::ChartSeries& points = *loaded.points;
  ASSERT_EQ(points.PointCount(), reference.PointCount());
  for (int i = 0; i < points.PointCount(); ++i) {
    ASSERT_EQ(points.XValueAt(i), reference.XValueAt(i)) << i;
    ASSERT_EQ(points.YValueAt(i), reference.YValueAt(i)) << i;
  }
  EXPECT_EQ(points.LowestX(), reference.LowestX());
  EXPECT_EQ(points.HighestX(), reference.HighestX());
  EXPECT_EQ(points.LowestY(), 0);  // the lines without a term
  EXPECT_EQ(points.HighestY(), 400);
}

TEST(SequenceLoaderTest, ReformatsAnSQFileBehindTheNotice) {
  test::TempDir dir;
  const std::string path = dir.Write("SQ5", "A\nB\nC 4444\nD\nE 55555\n");
  ProgramChart program;
  RecordedLoad record;
  const LoadResult result = LoadSequence(path, program, record.Hooks());
  EXPECT_TRUE(result.reformatted);
  EXPECT_EQ(result.points.number_column, 2u);
  EXPECT_EQ(record.events, (std::vector<std::string>{"show", "hide", "folder " + dir.path().string()}));
  EXPECT_EQ(program.Series().PointCount(), 3);
  EXPECT_EQ(program.Chart().LeftAxis().Maximum(), 6);
}

TEST(SequenceLoaderTest, AFailingStepKeepsWhatTheStepsBeforeItDid) {
  test::TempDir dir;
  ProgramChart program;
  const std::string good = dir.Write("good.kep", "1 1 = 1\n2 22 = 22\n3 333 = 333\n");
  LoadSequence(good, program, {});

  // A missing file changes nothing.
  RecordedLoad missing;
  EXPECT_THROW(LoadSequence(dir.File("gone.kep"), program, missing.Hooks()), Error);
  EXPECT_TRUE(missing.events.empty());
  EXPECT_EQ(program.Series().PointCount(), 3);

  // An empty "SQ" file: the notice is hidden again, the chart unchanged.
  RecordedLoad empty_sq;
  EXPECT_EQ(test::ErrorText([&] { LoadSequence(dir.Write("SQ", ""), program, empty_sq.Hooks()); }),
            "List index out of bounds (0)");
  EXPECT_EQ(empty_sq.events, (std::vector<std::string>{"show", "hide"}));
  EXPECT_EQ(Title(program), std::vector<std::string>{"Sequence file: good.kep"});

  // One line: the chart is cleared and titled, the folder remembered, then
  // choosing the number column fails; the left axis keeps its top.
  program.Chart().SetAnimatedZoom(false);
  program.Chart().ZoomToValues({.bottom = {1.5, 2.5}, .top = {1.5, 2.5}, .left = {0, 2}, .right = {0, 2}});
  ASSERT_FALSE(program.Chart().BottomAxis().Automatic());
  const std::string one = dir.Write("one.kep", "1 4444\n");
  RecordedLoad short_file;
  EXPECT_THROW(LoadSequence(one, program, short_file.Hooks()), Error);
  EXPECT_EQ(short_file.events, std::vector<std::string>{"folder " + dir.path().string()});
  EXPECT_EQ(program.Series().PointCount(), 0);
  EXPECT_EQ(Title(program), std::vector<std::string>{"Sequence file: one.kep"});
  EXPECT_FALSE(program.Chart().HasZoom());
  EXPECT_TRUE(program.Chart().BottomAxis().Automatic());
  EXPECT_EQ(program.Chart().LeftAxis().Maximum(), 4);  // restored by undoing the zoom
}

std::vector<std::pair<double, double>> Points(const chart::ChartSeries& series) {
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < series.PointCount(); ++i) points.emplace_back(series.XValueAt(i), series.YValueAt(i));
  return points;
}

// Read aside, put in place, then go on with bytes appended to the file (a
// half-written last line among them): the chart ends as a fresh load of the
// file as it now is.
TEST(SequenceLoaderTest, ALoadGoesOnWithAppendedBytes) {
  test::TempDir dir;
  const std::string path = dir.Write("c.kep", "1 7 = 7\n2 -123 = x\n\n4 1,2");
  LoadedSequence loaded = ReadSequence(path, {});
  EXPECT_EQ(Points(*loaded.points), (std::vector<std::pair<double, double>>{{1, 1}, {2, 4}, {4, 3}}));
  EXPECT_EQ(loaded.summary.points, 3u);
  EXPECT_EQ(loaded.summary.largest_digit_count, 4u);

  ProgramChart program;
  PutInPlace(loaded, program, {});
  for (const std::string_view more : {"34 = y\r", "\n5 55555", "5 = z\n"}) {
    test::AppendToFile(path, more);
    loaded.file->ReadInto(*loaded.reader,
                          [&](const sequence::PointBatch& batch) { ApplyBatch(program.Series(), batch); });
  }
  ProgramChart fresh;
  LoadSequence(path, fresh, {});
  EXPECT_EQ(Points(program.Series()), Points(fresh.Series()));
  EXPECT_EQ(Points(fresh.Series()).back(), (std::pair<double, double>{5, 6}));
  EXPECT_EQ(loaded.reader->LargestDigitCount(), 6u);
}

// A stopped load reads nothing more, hides the notice, and is not put in place.
TEST(SequenceLoaderTest, AStoppedLoadIsMarkedAndHidesTheNotice) {
  test::TempDir dir;
  const std::string path = dir.Write("SQ1", "1 1\nx\n2 22\n");
  std::stop_source stop;
  stop.request_stop();
  RecordedLoad record;
  const LoadedSequence loaded = ReadSequence(path, record.Hooks(), stop.get_token());
  EXPECT_TRUE(loaded.stopped);
  EXPECT_EQ(loaded.reader->BytesConsumed(), 0u);
  EXPECT_EQ(record.events, (std::vector<std::string>{"show", "hide"}));
}

}  // namespace
}  // namespace kep::viewer
