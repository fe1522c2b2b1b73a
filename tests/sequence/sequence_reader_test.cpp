#include "sequence/sequence_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "support/error_text.h"

namespace kep::sequence {

void PrintTo(const LineMark& mark, std::ostream* out) {
  *out << "line " << mark.line << " at " << mark.offset;
}

namespace {

using Points = std::vector<ValuePoint>;

// What a consumer holds after every batch: withdrawn points removed, new ones appended.
struct Consumer {
  Points points;
  std::size_t withdrawn = 0;  // in all
  void Take(const PointBatch& batch) {
    ASSERT_LE(batch.withdrawn, points.size());
    withdrawn += batch.withdrawn;
    points.resize(points.size() - batch.withdrawn);
    points.insert(points.end(), batch.points.begin(), batch.points.end());
  }
};

Points Read(std::string_view text, bool reformat = false, TermColumn column = TermColumn::kAutomatic) {
  SequenceReader reader(reformat, column);
  Consumer consumer;
  consumer.Take(reader.Feed(text));
  return consumer.points;
}

// The same text fed in pieces of `piece` bytes. Told that more follows, as a
// read to a known end tells it, the reader hands out no unended line between
// pieces, and a last Feed of no bytes hands it out.
Points ReadInPieces(std::string_view text, std::size_t piece, bool reformat = false,
                    bool more_follows = false, std::size_t* withdrawn = nullptr) {
  SequenceReader reader(reformat);
  Consumer consumer;
  for (std::size_t at = 0; at < text.size(); at += piece)
    consumer.Take(reader.Feed(text.substr(at, piece), more_follows));
  if (more_follows) consumer.Take(reader.Feed({}));
  if (withdrawn) *withdrawn = consumer.withdrawn;
  return consumer.points;
}

using test::ErrorText;

TEST(SequenceReaderTest, LineEndsAndTheFirstNul) {
  // Each line is "<n> <n digits>", so a point tells which line it came from.
  const Points expected{{1, 1}, {2, 2}, {3, 3}};
  EXPECT_EQ(Read("a 1\nb 22\nc 333\n", false, TermColumn::kWord3),
            (Points{{1, 0}, {2, 0}, {3, 0}}));  // no word 3
  EXPECT_EQ(Read("1 1 = a\n2 22 = b\n3 333 = c\n"), expected);
  EXPECT_EQ(Read("1 1 = a\r\n2 22 = b\r\n3 333 = c"), expected);
  EXPECT_EQ(Read("1 1 = a\r2 22 = b\r3 333 = c\r"), expected);
  // LF CR and CR CR LF end two lines: the empty line between shifts X.
  EXPECT_EQ(Read("1 1 = a\n\r2 22 = b\r\r\n3 333 = c"),
            (Points{{1, 1}, {3, 1}, {5, 1}}));  // line 1 empty: column 3
  // Nothing after the first NUL counts; the line before it does.
  EXPECT_EQ(Read(std::string("1 1 = a\n2 22 = b\0\n3 333 = c\n", 26)), (Points{{1, 1}, {2, 2}}));

  SequenceReader reader(false);
  reader.Feed(std::string("1 1 = a\n2 2", 11) + std::string(1, '\0') + "2 = b\n");
  EXPECT_TRUE(reader.TextEnded());
  EXPECT_EQ(reader.BytesConsumed(), 12u);
  EXPECT_EQ(reader.Feed("3 333 = c\n").points.size(), 0u);
  EXPECT_EQ(reader.PointCount(), 2u);
}

TEST(SequenceReaderTest, HeadersBlankLinesColumnsAndWords) {
  EXPECT_EQ(Read("Tavrine x\n1 12 = 2^2 * 3\n \t \nTavrine2 1 = x\n2 150 = y\n"),
            (Points{{2, 2}, {4, 1}, {5, 3}}));
  // A colon makes word 3 the term; missing words count 0; tabs are word characters.
  EXPECT_EQ(Read("0 : 1 = 1\n1 : 12 = x\n2\t:\t3\n"), (Points{{1, 1}, {2, 2}, {3, 0}}));
  EXPECT_EQ(Read("1 -123 = a\n2 1,234 = b\n  3   77  \n"), (Points{{1, 4}, {2, 5}, {3, 2}}));
  // "=" must be the whole third word of line 1 for column 2.
  EXPECT_EQ(Read("1 22 333\n1 22 == 4444\n"), (Points{{1, 3}, {2, 2}}));
}

TEST(SequenceReaderTest, SQFilesDropOddLinesAndPrefixLineZero) {
  EXPECT_EQ(Read("5\nignored\n1 22\nignored\n2 333\n", true), (Points{{1, 1}, {2, 2}, {3, 3}}));
  // Line 0 is never a header or blank once prefixed with "0 ".
  EXPECT_EQ(Read("Tavrine\nx\n1 22\n", true), (Points{{1, 7}, {2, 2}}));
  EXPECT_EQ(Read("   \nx\n1 22\n", true), (Points{{1, 0}, {2, 2}}));
}

TEST(SequenceReaderTest, MissingLinesAreReportedByIndex) {
  const auto check = [](std::string_view text, bool reformat) {
    SequenceReader reader(reformat);
    reader.Feed(text);
    if (reformat) reader.CheckLine(0);
    reader.CheckLine(1);
  };
  EXPECT_EQ(ErrorText([&] { check("", true); }), "List index out of bounds (0)");
  EXPECT_EQ(ErrorText([&] { check("1 2 = 3\n2 3 = 4\n", true); }), "List index out of bounds (1)");
  EXPECT_EQ(ErrorText([&] { check(std::string(100, '\0'), false); }), "List index out of bounds (1)");
  EXPECT_EQ(ErrorText([&] { check("1 22 = x\n", false); }), "List index out of bounds (1)");
  EXPECT_EQ(ErrorText([&] { check("\n\n", false); }), test::kNoError);
  // Line 0 alone gives no point: no column can be chosen.
  EXPECT_EQ(Read("1 22 = x\n"), Points{});
}

// Every way of cutting a text into pieces gives the points of the whole
// text: CR LF pairs, words, "Tavrine" and "=" split between two pieces, and
// provisional last lines that grow.
TEST(SequenceReaderTest, PiecesOfEverySizeGiveTheWholeTextsPoints) {
  const std::string texts[] = {
      "Tavrine head\r\n1 12 = a\r\r\n2 345 = b\n\r3 6789 = c\rTavrin 1 = d\n  \t\n4 5 =",
      "1 22 333 4444\n5 66 = 7777\nx y z\n 1  22  333 ",
      "SQ 1\n2\n3 44\n5\n6 777",
      // "n a(n)" lines behind comments, and comments that a third word keeps
      "# A000045 x y\n#\n\n0 0\n1 1\n# mid\n7 13",
      "# a b c\n\n# d e\n1 : 22 = x\n# f g h",
      std::string("1 1 = 1\n2 22 = 2\n3 3") + std::string(1, '\0') + "33 = 3\n",
  };
  for (const std::string& text : texts) {
    for (const bool reformat : {false, true}) {
      const Points whole = Read(text, reformat);
      for (std::size_t piece = 1; piece <= text.size(); ++piece) {
        EXPECT_EQ(ReadInPieces(text, piece, reformat), whole) << "piece " << piece << " of " << text;
        std::size_t withdrawn = 0;
        EXPECT_EQ(ReadInPieces(text, piece, reformat, true, &withdrawn), whole) << piece << " of " << text;
        // Only the "n a(n)" question, settled late, takes points back.
        if (text.find('#') == std::string::npos) {
          EXPECT_EQ(withdrawn, 0u) << piece << " of " << text;
        }
      }
    }
  }
}

// Words and lines of every length up to a few hundred bytes, so that their
// ends fall at every place of the 16- and 64-byte scans.
TEST(SequenceReaderTest, LongWordsAndLinesEndAtTheirFirstStop) {
  std::string text = "Tavrine\n";
  Points expected;
  for (int length = 1; length <= 300; ++length) {
    text += std::to_string(length) + " " + std::string(static_cast<std::size_t>(length), '7') + " = " +
            std::string(static_cast<std::size_t>(length * 3 % 257), 'x') + (length % 3 == 0 ? "\r\n" : "\n");
    expected.push_back({static_cast<double>(length + 1), static_cast<double>(length)});
  }
  EXPECT_EQ(Read(text), expected);

  std::mt19937 random(3);
  std::string bytes(8192, 'a');
  for (char& c : bytes) {
    if (random() % 200 == 0) c = "\r\n\0 "[random() % 4];
  }
  for (int k = 0; k < 2000; ++k) {
    const std::size_t from = random() % bytes.size();
    const std::size_t to = from + random() % (bytes.size() - from + 1);
    const char* const begin = bytes.data() + from;
    const char* const end = bytes.data() + to;
    ASSERT_EQ(FindLineBreak(begin, end), std::find_if(begin, end, IsLineBreak)) << from << " " << to;
  }
}

// Lines of many lengths over several 16 KiB stretches, so that terms, tabs
// (part of a word), blank lines of tabs and CR LF pairs fall at every place
// of the 64-byte masks, read whole and in pieces.
TEST(SequenceReaderTest, ControlCharactersAndLongTermsAcrossTheWalksBlocks) {
  std::string text = "Tavrine\n";
  Points expected;
  for (std::size_t i = 1; i <= 3000; ++i) {
    if (i % 7 == 0) {
      text += i % 2 == 0 ? "\t \t\n" : " \x01\r\n";  // blank: no point
      continue;
    }
    std::string term((i * 37) % 150 + 1, '9');
    if (i % 5 == 0) term.insert(i % term.size(), "\t");
    text +=
        (i % 11 == 0 ? "   " : "") + std::to_string(i) + "  " + term + " = x" + (i % 3 == 0 ? "\r\n" : "\n");
    expected.push_back({static_cast<double>(i + 1), static_cast<double>(term.size())});
  }
  EXPECT_EQ(Read(text), expected);
  for (const std::size_t piece : {4093u, 65u, 64u}) {
    EXPECT_EQ(ReadInPieces(text, piece), expected) << piece;
    EXPECT_EQ(ReadInPieces(text, piece, false, true), expected) << piece;
  }
}

TEST(SequenceReaderTest, AProvisionalLastLineIsWithdrawnWhenItGrows) {
  SequenceReader reader(false);
  Consumer consumer;
  consumer.Take(reader.Feed("Tavrine\n1 22 = x\n2 3"));
  EXPECT_EQ(consumer.points, (Points{{2, 2}, {3, 1}}));
  const PointBatch grown = reader.Feed("33");
  EXPECT_EQ(grown.withdrawn, 1u);
  consumer.Take(grown);
  EXPECT_EQ(consumer.points, (Points{{2, 2}, {3, 3}}));
  EXPECT_EQ(reader.LargestDigitCount(), 3u);
  // A line end alone makes it final without a change.
  const PointBatch ended = reader.Feed("\n");
  EXPECT_EQ(ended.withdrawn, 0u);
  EXPECT_TRUE(ended.points.empty());
  EXPECT_EQ(reader.PointCount(), 2u);
  EXPECT_EQ(reader.FileLines(), 3u);

  // While line 1 is the last line, its third word may still become "=":
  // the points of lines 0 and 1 are both provisional.
  SequenceReader early(false);
  Consumer held;
  held.Take(early.Feed("1 22 333\n1 22 "));
  EXPECT_EQ(held.points, (Points{{1, 3}, {2, 0}}));
  EXPECT_EQ(early.NumberColumn(), 3u);
  const PointBatch column_changes = early.Feed("=");
  EXPECT_EQ(column_changes.withdrawn, 2u);
  held.Take(column_changes);
  EXPECT_EQ(held.points, (Points{{1, 2}, {2, 2}}));
  EXPECT_EQ(early.NumberColumn(), 2u);
}

// Files of "n a(n)" lines with "#" comments, found by the automatic column
// only where column 3 would give nothing but comments and zeros.
TEST(SequenceReaderTest, TwoWordLinesAfterCommentsReadWordTwo) {
  const auto column_of = [](std::string_view text) {
    SequenceReader reader(false);
    reader.Feed(text);
    return std::pair(reader.NumberColumn(), reader.ReadsBFile());
  };
  // Comments give no point and keep their line positions.
  EXPECT_EQ(Read("# A000045\n# Fibonacci\n\n0 0\n1 1\n# x\n2 1\n10 55\n"),
            (Points{{4, 1}, {5, 1}, {7, 1}, {8, 2}}));
  EXPECT_EQ(column_of("# A000045\n0 0\n"), std::pair(2u, true));
  EXPECT_EQ(Read("0 1\n1 10\n2 100\n"), (Points{{1, 1}, {2, 2}, {3, 3}}));
  // A header is no data line; line 1's "=" decides before any b-file question.
  EXPECT_EQ(Read("Tavrine 2\n#c\n1 22\n"), (Points{{3, 2}}));
  EXPECT_EQ(column_of("# c\n1 22 = 4\n2 3\n"), std::pair(2u, false));
  // A first data line of one or three words keeps column 3 and the comments' points.
  EXPECT_EQ(Read("# a b\n1 : 22\n2 3\n"), (Points{{1, 1}, {2, 2}, {3, 0}}));
  EXPECT_EQ(Read("#a b c\n\n7\n1 2\n"), (Points{{1, 1}, {3, 0}, {4, 0}}));
  EXPECT_EQ(column_of("#a b c\n\n7\n1 2\n"), std::pair(3u, false));
  // Only comments: column 3 throughout.
  EXPECT_EQ(Read("# a b\n# c d e\n"), (Points{{1, 1}, {2, 1}}));
  // "#" begins the first word, after any spaces; a reformatted file is never read so.
  EXPECT_EQ(Read("  #a b\n1 2\n"), (Points{{2, 1}}));
  EXPECT_EQ(Read("x #a b\n1 2\n"), (Points{{1, 1}, {2, 0}}));
  EXPECT_EQ(Read("#\n0 1\n1 22\n", true), (Points{{1, 1}, {2, 2}}));

  // The deciding line as the provisional last line: the comments' points go
  // back when it shows two words, and return when it grows a third.
  SequenceReader reader(false);
  Consumer consumer;
  consumer.Take(reader.Feed("# a b\n# c d\n"));
  EXPECT_EQ(consumer.points, (Points{{1, 1}, {2, 1}}));
  consumer.Take(reader.Feed("1 22"));
  EXPECT_EQ(consumer.points, (Points{{3, 2}}));
  EXPECT_TRUE(reader.ReadsBFile());
  consumer.Take(reader.Feed(" = 5"));
  EXPECT_EQ(consumer.points, (Points{{1, 1}, {2, 1}, {3, 1}}));
  EXPECT_FALSE(reader.ReadsBFile());
  EXPECT_EQ(reader.PointCount(), 3u);
  EXPECT_EQ(reader.LargestDigitCount(), 1u);
}

TEST(SequenceReaderTest, AFixedColumnReadsThatWordFromLineZero) {
  const std::string text = "# a b\n1 22 = 4444\n2 333\n";
  EXPECT_EQ(Read(text, false, TermColumn::kWord2), (Points{{1, 1}, {2, 2}, {3, 3}}));
  EXPECT_EQ(Read(text, false, TermColumn::kWord3), (Points{{1, 1}, {2, 1}, {3, 0}}));
  // No second line is needed to choose, so line 0 alone gives its point.
  EXPECT_EQ(Read("1 22 333", false, TermColumn::kWord3), (Points{{1, 3}}));
  // Line 0 of an "SQ" file reads "0 " and its text.
  EXPECT_EQ(Read("55 666\nx\n1 22 333\n", true, TermColumn::kWord3), (Points{{1, 3}, {2, 3}}));
  EXPECT_EQ(Read("0 1\n1 22\n", false, TermColumn::kWord3), (Points{{1, 0}, {2, 0}}));
}

TEST(SequenceReaderTest, TheLineIndexMarksLinesByCountAndBySize) {
  SequenceReader reader(false);
  std::string text;
  for (int i = 0; i < 10000; ++i) text += "1 2 = 3\r\n";  // 9 bytes a line
  const std::string long_line(SequenceReader::kMarkEveryBytes + 10, '7');
  text += long_line + "\nafter\n";
  for (std::size_t at = 0; at < text.size(); at += 4093) reader.Feed(std::string_view(text).substr(at, 4093));
  const std::vector<LineMark>& marks = reader.LineIndex();
  const std::vector<LineMark> expected{
      {0, 0}, {4096, 4096 * 9}, {8192, 8192 * 9}, {10001, 10000 * 9 + long_line.size() + 1}};
  EXPECT_EQ(marks, expected);
  for (const LineMark& mark : marks) EXPECT_EQ(text.substr(mark.offset, 1), mark.line == 10001 ? "a" : "1");

  // Two pieces cut anywhere around a marked line's start, between the CR
  // and the LF before it too, give the index of the whole text.
  SequenceReader whole(false);
  whole.Feed(text);
  EXPECT_EQ(whole.LineIndex(), expected);
  for (const LineMark& mark : expected) {
    for (std::uint64_t cut = std::max<std::uint64_t>(mark.offset, 3) - 3; cut <= mark.offset + 1; ++cut) {
      SequenceReader cut_reader(false);
      cut_reader.Feed(std::string_view(text).substr(0, cut));
      cut_reader.Feed(std::string_view(text).substr(cut));
      EXPECT_EQ(cut_reader.LineIndex(), expected) << "cut at " << cut;
    }
  }
}

}  // namespace
}  // namespace kep::sequence
