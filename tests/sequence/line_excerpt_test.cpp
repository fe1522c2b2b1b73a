#include "sequence/line_excerpt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sequence/sequence_file.h"
#include "sequence/word_string.h"
#include "support/temp_dir.h"

namespace kep::sequence {
namespace {

// A file read as the viewer reads it, with its points, for looking lines up.
struct IndexedFile {
  IndexedFile(const std::string& path, bool reformat = false) : file(path), reader(reformat) {
    file.ReadInto(reader, [&](const PointBatch& batch) {
      points.resize(points.size() - batch.withdrawn);
      points.insert(points.end(), batch.points.begin(), batch.points.end());
    });
  }
  std::optional<LineExcerpt> Excerpt(std::uint64_t file_line, unsigned word, std::uint64_t length) const {
    return ReadLineExcerpt(file.Descriptor(), reader.LineIndex(), reader.BytesConsumed(),
                           {file_line, word, length});
  }
  // The excerpt of point i, as the readout asks for it.
  std::optional<LineExcerpt> OfPoint(std::size_t i) const {
    return Excerpt(static_cast<std::uint64_t>(points[i].x) - 1, reader.NumberColumn(),
                   static_cast<std::uint64_t>(points[i].y));
  }

  SequenceFile file;
  SequenceReader reader;
  std::vector<ValuePoint> points;
};

std::string Joined(const LineExcerpt& e) {
  return e.before + e.term_head + "|" + e.term_tail + "|" + e.after;
}

TEST(LineExcerptTest, ShortTermsLongTermsAndMissingOnes) {
  test::TempDir dir;
  const std::string long_term = "1234567890" + std::string(4992, '5') + "0987654321";  // 5,012 digits
  const IndexedFile f(
      dir.Write("a.kep", "Tavrine head\r\n  1   12 = 2^2 * 3\r\n2 " + long_term + " = big\t1\n3\n"));
  ASSERT_EQ(f.points.size(), 3u);
  const std::optional<LineExcerpt> shortest = f.OfPoint(0);
  ASSERT_TRUE(shortest);
  EXPECT_EQ(Joined(*shortest), "  1   12|| = 2^2 * 3");
  EXPECT_EQ(shortest->term_length, 2u);

  const std::optional<LineExcerpt> longest = f.OfPoint(1);
  ASSERT_TRUE(longest);
  EXPECT_EQ(longest->before, "2 ");
  EXPECT_EQ(longest->term_head, "1234567890");
  EXPECT_EQ(longest->term_tail, "0987654321");
  EXPECT_EQ(longest->term_length, 5012u);
  EXPECT_EQ(longest->after, " = big\t1");
  EXPECT_FALSE(longest->after_cut);

  // A line without the word: all of it comes before.
  const std::optional<LineExcerpt> none = f.OfPoint(2);
  ASSERT_TRUE(none);
  EXPECT_EQ(Joined(*none), "3||");
  EXPECT_EQ(none->term_length, 0u);
}

// A point that does not fit the file's text gives no excerpt: the readout
// must not show another line's text as this one's.
TEST(LineExcerptTest, PointsThatDoNotFitTheTextGiveNothing) {
  test::TempDir dir;
  const IndexedFile f(dir.Write("a.kep", "1 12 = x\n2 345 = y\n3\n"));
  EXPECT_TRUE(f.Excerpt(1, 2, 3));
  EXPECT_FALSE(f.Excerpt(1, 2, 2));   // the term is longer
  EXPECT_FALSE(f.Excerpt(1, 2, 4));   // shorter
  EXPECT_FALSE(f.Excerpt(1, 2, 40));  // far longer: its tail would lie elsewhere
  EXPECT_FALSE(f.Excerpt(2, 2, 1));   // no word 2 there
  EXPECT_FALSE(f.Excerpt(1, 2, 0));   // a word where the point says none
  EXPECT_FALSE(f.Excerpt(3, 2, 0));   // no such line
}

TEST(LineExcerptTest, EveryLineIsFoundAcrossTheIndexMarks) {
  test::TempDir dir;
  // Line k holds "k" and a term of k % 50 + 1 digits, with mixed line ends,
  // and one line of more than a mark's span of bytes.
  std::string text;
  std::vector<std::string> lines;
  for (int k = 0; k < 10000; ++k) {
    lines.push_back(std::to_string(k) + " " + std::string(static_cast<std::size_t>(k % 50 + 1), '7') +
                    " = f" + std::to_string(k));
    if (k == 5000) lines.back() = "5000 " + std::string(SequenceReader::kMarkEveryBytes + 3, '8') + " = huge";
    text += lines.back() + (k % 3 == 0 ? "\r\n" : k % 3 == 1 ? "\n" : "\r");
  }
  const IndexedFile f(dir.Write("big.kep", text));
  ASSERT_EQ(f.points.size(), lines.size());
  ASSERT_GT(f.reader.LineIndex().size(), 3u);
  for (std::size_t i = 0; i < lines.size(); i += (i > 4090 && i < 4200) || (i > 4990 && i < 5010) ? 1 : 97) {
    const std::optional<LineExcerpt> e = f.OfPoint(i);
    ASSERT_TRUE(e) << "line " << i;
    const WordString words(lines[i]);
    EXPECT_EQ(e->before, std::string(words.WordAt(1)) + " ") << "line " << i;
    EXPECT_EQ(e->after, " = " + std::string(i == 5000 ? "huge" : "f" + std::to_string(i))) << "line " << i;
    if (words.WordAt(2).size() <= LineExcerpt::kWholeTerm) {
      EXPECT_EQ(e->term_head, words.WordAt(2));
    }
  }
}

TEST(LineExcerptTest, LongTextAroundTheTermIsCut) {
  test::TempDir dir;
  const std::string factors(LineExcerpt::kTextBytes + 50, 'f');
  const IndexedFile f(dir.Write("a.kep", "1 2 = " + factors + "\n2 3 = x\n"));
  const std::optional<LineExcerpt> e = f.OfPoint(0);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->after.size(), LineExcerpt::kTextBytes);
  EXPECT_TRUE(e->after_cut);
  // The term as word 3, behind a long word 2.
  const IndexedFile g(dir.Write("b.kep", "1 " + factors + " 12\n2 : 5\n"));
  const std::optional<LineExcerpt> behind = g.OfPoint(0);
  ASSERT_TRUE(behind);
  EXPECT_EQ(behind->term_head, "12");
  EXPECT_TRUE(behind->before_cut);
  EXPECT_EQ(behind->before.size(), LineExcerpt::kTextBytes);
}

}  // namespace
}  // namespace kep::sequence
