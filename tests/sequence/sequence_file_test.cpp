#include "sequence/sequence_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "common/error.h"
#include "support/temp_dir.h"

namespace kep::sequence {
namespace {

using Points = std::vector<std::pair<double, double>>;

struct Loaded {
  Points points;
  std::size_t largest = 0;
  unsigned column = 0;
};

// The load steps in the viewer's order, on a list made from text.
Loaded Load(std::string_view text, std::string_view name = "a.kep") {
  LineList lines = LineList::Split(text);
  bool reformatted = false;
  if (IsSQFileName(name)) ReformatSQFile(lines, reformatted);
  Loaded loaded;
  loaded.column = ChooseNumberColumn(lines, reformatted);
  loaded.largest = BuildPoints(lines, loaded.column, [&](double x, double y) { loaded.points.emplace_back(x, y); });
  return loaded;
}

std::string ErrorText(auto&& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "no error";
}

TEST(SequenceFileTest, HeaderLineAndEqualsColumn) {
  const Loaded loaded = Load("Tavrine sequence file\n1 12 = 2^2 * 3\n2 150 = 2 * 3 * 5^2\n");
  EXPECT_EQ(loaded.column, 2u);
  EXPECT_EQ(loaded.points, (Points{{2, 2}, {3, 3}}));
  EXPECT_EQ(loaded.largest, 3u);
}

TEST(SequenceFileTest, XIsTheLinePositionSoSkippedLinesLeaveGaps) {
  const Loaded loaded = Load("1 5 = 5\n2 12 = x\n \t \nTavrine mid\n5 123 = y\n");
  EXPECT_EQ(loaded.points, (Points{{1, 1}, {2, 2}, {5, 3}}));
}

TEST(SequenceFileTest, ColonInTheSecondLineMakesTheThirdWordTheTerm) {
  const Loaded loaded = Load("0 : 1 = 1\n1 : 12 = 2^2 * 3\n2 : 150 = x\n");
  EXPECT_EQ(loaded.column, 3u);
  EXPECT_EQ(loaded.points, (Points{{1, 1}, {2, 2}, {3, 3}}));
}

TEST(SequenceFileTest, WordsAreNotValidatedAndMissingWordsCountZero) {
  const Loaded loaded = Load("1 -123 = a\n2 1,234 = b\n3\t77\t=\tx\ntavrine 1 = lower\nTavrine: 22 = colon\n");
  EXPECT_EQ(loaded.points, (Points{{1, 4}, {2, 5}, {3, 0}, {4, 1}, {5, 2}}));
  EXPECT_EQ(Load("a\nb\n").largest, 0u);
}

TEST(SequenceFileTest, LineEndKindsGiveTheSamePoints) {
  const Points lf = Load("1 12 = a\n2 345 = b\n").points;
  EXPECT_EQ(Load("1 12 = a\r\n2 345 = b\r\n").points, lf);
  EXPECT_EQ(Load("1 12 = a\r2 345 = b").points, lf);
}

TEST(SequenceFileTest, SQNamesAndReformat) {
  EXPECT_TRUE(IsSQFileName("SQ"));
  EXPECT_TRUE(IsSQFileName("SQ123.txt"));
  EXPECT_FALSE(IsSQFileName("sq123.txt"));
  EXPECT_FALSE(IsSQFileName("S"));
  EXPECT_FALSE(IsSQFileName(""));

  LineList lines = LineList::Split("A\nB\nC\nD\nE\n");
  bool reformatted = false;
  ReformatSQFile(lines, reformatted);
  EXPECT_TRUE(reformatted);
  ASSERT_EQ(lines.Count(), 3u);
  EXPECT_EQ(lines[0], "0 A");
  EXPECT_EQ(lines[1], "C");
  EXPECT_EQ(lines[2], "E");

  const Loaded loaded = Load("5\nignored\n1 22\nignored\n2 333\n", "SQ5");
  EXPECT_EQ(loaded.column, 2u);
  EXPECT_EQ(loaded.points, (Points{{1, 1}, {2, 2}, {3, 3}}));
}

TEST(SequenceFileTest, ShortListsFailWithTheIndex) {
  EXPECT_EQ(ErrorText([] { Load("", "SQ"); }), "List index out of bounds (0)");
  EXPECT_EQ(ErrorText([] { Load("1 2 = 3\n2 3 = 4\n", "SQ"); }), "List index out of bounds (1)");
  EXPECT_EQ(ErrorText([] { Load(""); }), "List index out of bounds (1)");
  EXPECT_EQ(ErrorText([] { Load("1 22 = x\n"); }), "List index out of bounds (1)");
}

TEST(SequenceFileTest, ReadsFilesAndReportsWhyItCannot) {
  test::TempDir dir;
  const std::string file = dir.Write("seq.txt", "Tavrine x\r\n1 12 = 3\r\n2 150 = 4");
  const LineList lines = ReadSequenceLines(file);
  ASSERT_EQ(lines.Count(), 3u);
  EXPECT_EQ(lines[2], "2 150 = 4");

  const std::string missing = dir.File("missing.kep");
  EXPECT_EQ(ErrorText([&] { ReadSequenceLines(missing); }),
            "Cannot open file \"" + missing + "\". No such file or directory");
  EXPECT_EQ(ErrorText([&] { ReadSequenceLines(dir.path().string()); }),
            "Cannot open file \"" + dir.path().string() + "\". Is a directory");

  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ErrorText([&] { ReadSequenceLines(fifo); }),
            "Cannot open file \"" + fifo + "\". It is not a regular file");
  EXPECT_EQ(ErrorText([] { ReadSequenceLines("/dev/zero"); }),
            "Cannot open file \"/dev/zero\". It is not a regular file");
}

// Files kept because they once troubled a reader: each must load or fail with
// a message, never crash or hang.
TEST(SequenceFileTest, MalformedFilesGiveAResultOrAMessage) {
  test::TempDir dir;
  const std::string kTooShort = "List index out of bounds (1)";
  struct Case {
    std::string name, bytes, error;
    std::size_t points;
  };
  const std::vector<Case> cases = {
      {"empty", "", kTooShort, 0},
      {"nul_bytes", std::string(4096, '\0'), kTooShort, 0},
      {"junk", std::string("\x89PNG\r\n\x1a\n\xff\xfe\x00\x01 \t\x7f", 16), "no error", 2},
      {"long_line", std::string(100'000'000, '7'), kTooShort, 0},
      {"blank_lines", " \t \n\t\t\n   \n", "no error", 0},
  };
  for (const Case& c : cases) {
    const std::string file = dir.Write(c.name, c.bytes);
    std::size_t points = 0;
    const std::string error = ErrorText([&] {
      LineList lines = ReadSequenceLines(file);
      const unsigned column = ChooseNumberColumn(lines, false);
      BuildPoints(lines, column, [&](double, double) { ++points; });
    });
    EXPECT_EQ(error, c.error) << c.name;
    EXPECT_EQ(points, c.points) << c.name;
  }
}

}  // namespace
}  // namespace kep::sequence
