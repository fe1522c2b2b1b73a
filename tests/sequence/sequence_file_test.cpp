#include "sequence/sequence_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
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

// A read shared among threads gives the points, the line count and the end
// of a read on one thread, wherever the stretches begin: plain, CR LF, "SQ"
// and "n a(n)" files, a NUL in a later stretch or in the first, and a file
// whose first lines never settle the column question.
TEST(SequenceFileTest, ReadsSharedAmongThreadsGiveTheSamePoints) {
  test::TempDir dir;
  std::string plain;
  std::string crlf;
  std::string bfile = "# a b c\n";
  std::string comments;
  for (int i = 1; i <= 60'000; ++i) {
    const std::string term(static_cast<std::size_t>(1 + i * 7 % 40), '7');
    plain += std::to_string(i) + " " + term + " = 2^3\n" + (i % 97 == 0 ? "Tavrine\n\n" : "");
    crlf += std::to_string(i) + " " + term + (i % 3 == 0 ? "\r" : "\r\n");
    bfile += std::to_string(i) + " " + term + (i % 50 == 0 ? "\n# note\n" : "\n");
    comments += "# " + term + "\n";
  }
  std::string late_nul = plain;
  late_nul[late_nul.size() * 3 / 4] = '\0';
  std::string early_nul = plain;
  early_nul[early_nul.size() * 35 / 100] = '\0';  // in the first stretch, past the first piece
  const std::pair<std::string, std::string> files[] = {
      {"plain.kep", plain}, {"crlf.kep", crlf},     {"SQodd.kep", plain},     {"SQeven.kep", "0\n" + plain},
      {"b.kep", bfile},     {"late.kep", late_nul}, {"early.kep", early_nul}, {"comments.kep", comments},
  };
  using Points = std::vector<ValuePoint>;
  for (const auto& [name, text] : files) {
    const SequenceFile file(dir.Write(name, text));
    SequenceReader single(IsSQFileName(name));
    Points expected;
    const SequenceFile::ReadEnd single_end = file.ReadInto(single, [&](const PointBatch& batch) {
      expected.resize(expected.size() - batch.withdrawn);
      expected.insert(expected.end(), batch.points.begin(), batch.points.end());
    });
    for (const unsigned threads : {2u, 3u, 4u}) {
      SequenceReader reader(IsSQFileName(name));
      std::vector<Points> parts(threads);
      std::uint64_t last_progress = 0;
      SplitRead how;
      how.threads = threads;
      how.min_stretch_bytes = 4096;
      const auto take = [](Points& points, const PointBatch& batch) {
        points.resize(points.size() - batch.withdrawn);
        points.insert(points.end(), batch.points.begin(), batch.points.end());
      };
      how.receive = [&](const PointBatch& batch) { take(parts[0], batch); };
      how.receive_rest = [&](std::size_t k, const PointBatch& batch) { take(parts[k], batch); };
      how.join_rest = [&](std::size_t k, const RestPlacement& placement) {
        for (ValuePoint point : parts[k]) {
          if (placement.Place(point)) parts[0].push_back(point);
        }
      };
      how.progress = [&](std::uint64_t bytes, std::uint64_t) {
        EXPECT_GE(bytes, last_progress);
        last_progress = bytes;
      };
      EXPECT_EQ(file.ReadSplit(reader, how, file.SizeAtOpen()), single_end) << name << " " << threads;
      EXPECT_EQ(parts[0], expected) << name << " " << threads;
      EXPECT_EQ(reader.PointCount(), single.PointCount()) << name;
      EXPECT_EQ(reader.LargestDigitCount(), single.LargestDigitCount()) << name;
      EXPECT_EQ(reader.Lines(), single.Lines()) << name;
      EXPECT_EQ(reader.BytesConsumed(), single.BytesConsumed()) << name;
    }
  }

  // A stop, and a receiver that raises, end the read without waiting for the file's end.
  const SequenceFile file(dir.Write("stop.kep", plain));
  SplitRead how;
  how.threads = 2;
  how.min_stretch_bytes = 4096;
  how.receive = [](const PointBatch&) {};
  how.receive_rest = [](std::size_t, const PointBatch&) {};
  how.join_rest = [](std::size_t, const RestPlacement&) {};
  std::stop_source stop;
  stop.request_stop();
  SequenceReader stopped(false);
  EXPECT_EQ(file.ReadSplit(stopped, how, file.SizeAtOpen(), stop.get_token()),
            SequenceFile::ReadEnd::kStopped);
  how.receive = [](const PointBatch& batch) {
    if (!batch.points.empty()) throw std::runtime_error("full");
  };
  SequenceReader failed(false);
  EXPECT_THROW(file.ReadSplit(failed, how, file.SizeAtOpen()), std::runtime_error);
}

}  // namespace
}  // namespace kep::sequence
