#include "sequence/sequence_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/error_text.h"
#include "support/temp_dir.h"

namespace kep::sequence {
namespace {

struct Read {
  SequenceFile::ReadEnd end = SequenceFile::ReadEnd::kEndReached;
  std::uint64_t points = 0;  // net of withdrawn ones
  std::uint64_t batches = 0;
  std::uint64_t bytes = 0;
};

Read ReadFile(const std::string& path, std::uint64_t end = SequenceFile::kWholeFile,
              std::stop_token stop = {}) {
  const SequenceFile file(path);
  SequenceReader reader(IsSQFileName(std::filesystem::path(path).filename().string()));
  Read read;
  read.end = file.ReadInto(
      reader,
      [&](const PointBatch& batch) {
        read.points += batch.points.size() - batch.withdrawn;
        ++read.batches;
      },
      end, stop);
  read.bytes = reader.BytesConsumed();
  return read;
}

using test::ErrorText;

TEST(SequenceFileTest, SQNames) {
  EXPECT_TRUE(IsSQFileName("SQ"));
  EXPECT_TRUE(IsSQFileName("SQ123.txt"));
  EXPECT_FALSE(IsSQFileName("sq123.txt"));
  EXPECT_FALSE(IsSQFileName("S"));
  EXPECT_FALSE(IsSQFileName(""));
}

TEST(SequenceFileTest, OnlyRegularFilesAreOpened) {
  test::TempDir dir;
  const std::string file = dir.Write("seq.txt", "Tavrine x\r\n1 12 = 3\r\n2 150 = 4");
  EXPECT_EQ(ReadFile(file).points, 2u);

  const std::string missing = dir.File("missing.kep");
  EXPECT_EQ(ErrorText([&] { SequenceFile{missing}; }),
            "Cannot open file \"" + missing + "\". No such file or directory");
  EXPECT_EQ(ErrorText([&] { SequenceFile{dir.path().string()}; }),
            "Cannot open file \"" + dir.path().string() + "\". Is a directory");
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ErrorText([&] { SequenceFile{fifo}; }),
            "Cannot open file \"" + fifo + "\". It is not a regular file");
  EXPECT_EQ(ErrorText([] { SequenceFile{"/dev/zero"}; }),
            "Cannot open file \"/dev/zero\". It is not a regular file");
}

// Reading ends at the file's end, at the offset asked for (so that a file
// that keeps growing still ends), at the first NUL whatever follows it, and
// when asked to stop.
TEST(SequenceFileTest, ReadingEnds) {
  test::TempDir dir;
  std::string lines;
  for (int i = 0; i < 200'000; ++i) lines += "1 22 = 3\n";  // 9 bytes a line, several pieces
  const std::string file = dir.Write("many.kep", lines);
  EXPECT_EQ(ReadFile(file).points, 200'000u);
  const Read part = ReadFile(file, 9 * 1000 + 4);
  EXPECT_EQ(part.end, SequenceFile::ReadEnd::kEndReached);
  EXPECT_EQ(part.bytes, 9 * 1000 + 4u);
  EXPECT_EQ(part.points, 1001u);  // the unended "1 22" counts provisionally
  // Read to no set end, as a kernel file is, the unended last line counts once the file ends.
  EXPECT_EQ(ReadFile(dir.Write("open.kep", "1 1 = 1\n2 22 = 2\n3 3")).points, 3u);

  std::stop_source stop;
  stop.request_stop();
  const Read stopped = ReadFile(file, SequenceFile::kWholeFile, stop.get_token());
  EXPECT_EQ(stopped.end, SequenceFile::ReadEnd::kStopped);
  EXPECT_EQ(stopped.bytes, 0u);

  // Three lines and a NUL before a sparse tail of 2 GiB: one piece is read.
  const std::string sparse = dir.Write("sparse.kep", std::string("1 1 = 1\n2 22 = 2\n3 333 = 3\n\0", 28));
  std::filesystem::resize_file(sparse, std::uint64_t{2} << 30);
  const Read ended = ReadFile(sparse);
  EXPECT_EQ(ended.end, SequenceFile::ReadEnd::kTextEnded);
  EXPECT_EQ(ended.points, 3u);
  EXPECT_EQ(ended.batches, 1u);
  EXPECT_EQ(ended.bytes, 28u);
}

// Files kept because they once troubled a reader: each must give its points,
// or too few lines, never crash or hang. The long line and the line ends are
// read in constant memory: only counters of the line in progress are kept.
TEST(SequenceFileTest, MalformedFilesGiveTheirPoints) {
  test::TempDir dir;
  struct Case {
    std::string name, bytes;
    std::uint64_t lines, points;
  };
  const std::vector<Case> cases = {
      {"empty", "", 0, 0},
      {"nul_bytes", std::string(4096, '\0'), 0, 0},
      {"junk", std::string("\x89PNG\r\n\x1a\n\xff\xfe\x00\x01 \t\x7f", 16), 3, 2},
      {"long_line", std::string(100'000'000, '7'), 1, 0},
      {"blank_lines", " \t \n\t\t\n   \n", 3, 0},
      {"only_line_ends", std::string(3'000'000, '\n') + std::string(3'000'000, '\r'), 6'000'000, 0},
  };
  for (const Case& c : cases) {
    const SequenceFile file(dir.Write(c.name, c.bytes));
    SequenceReader reader(false);
    std::uint64_t points = 0;
    file.ReadInto(reader, [&](const PointBatch& batch) { points += batch.points.size() - batch.withdrawn; });
    EXPECT_EQ(reader.FileLines(), c.lines) << c.name;
    EXPECT_EQ(points, c.points) << c.name;
    EXPECT_EQ(reader.PointCount(), c.points) << c.name;
  }
}

}  // namespace
}  // namespace kep::sequence
