// A long session: a thousand files opened one after the other (some of them
// "SQ" files, some too short to load), then ten thousand zooms, pans and
// undos with the mouse and by value, each painted. The memory in use at the
// end must be what it was after a warm-up: nothing may pile up per load or
// per zoom.
#include <gtest/gtest.h>
#include <malloc.h>

#include <string>

#include "chart/headless_host.h"
#include "common/error.h"
#include "support/temp_dir.h"
#include "viewer/viewer_commands.h"
#include "viewer_fakes.h"

namespace kep::viewer {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// The sanitizer build runs a tenth of the session: there LeakSanitizer,
// not the allocator's count, watches the memory.
constexpr int kScale = kSanitized ? 10 : 1;
constexpr int kFiles = 1000 / kScale;
constexpr int kCycles = 10000 / kScale;

constexpr chart::ShiftState kNoKeys{};

std::size_t BytesInUse() { return mallinfo2().uordblks; }

// File i: a header and 20 + i % 50 terms of growing length; every 7th is an
// "SQ" file (a note line after each term) and every 13th has a single line.
std::string SequenceFile(const test::TempDir& dir, int i) {
  std::string text = "Tavrine sequence " + std::to_string(i) + "\n";
  if (i % 13 == 0) return dir.Write("short" + std::to_string(i) + ".kep", text);
  const bool sq = i % 7 == 0;
  std::string term = "1";
  for (int n = 1; n <= 20 + i % 50; ++n) {
    term += std::to_string((n * 7 + i) % 10);
    text += std::to_string(n) + " " + term + " = x\n";
    if (sq) text += "note\n";
  }
  return dir.Write((sq ? "SQ" : "seq") + std::to_string(i), text);
}

class LongRunTest : public ::testing::Test {
 protected:
  // One zoom, pan or undo; drags start inside the plot.
  void Cycle(int i) {
    const raster::IntRect plot = program.Chart().PlotRect();
    const int x = plot.Left + 10 + (i * 37) % std::max(plot.Width() - 60, 1);
    const int y = plot.Top + 10 + (i * 53) % std::max(plot.Height() - 60, 1);
    chart::Chart& chart = program.Chart();
    switch (i % 5) {
      case 0:  // zoom into a dragged rectangle
      case 1:  // pan with the other button
      {
        const auto button = i % 5 == 0 ? chart::MouseButton::mbLeft : chart::MouseButton::mbRight;
        chart.MouseDown(button, kNoKeys, x, y);
        chart.MouseMove(kNoKeys, x + 20, y + 15);
        chart.MouseMove(kNoKeys, x + 40, y + 30);
        chart.MouseUp(button, kNoKeys, x + 40, y + 30);
        break;
      }
      case 2:
        chart.ZoomToValues({.bottom = {1.0 + i % 30, 10.0 + i % 50},
                            .top = {1, 2},
                            .left = {0, 5.0 + i % 7},
                            .right = {0, 1}});
        break;
      case 3:
        chart.MouseWheel(i % 2 == 0 ? 1 : -1);
        break;
      default:
        chart.UndoZoom();
        break;
    }
    window.ProcessPaint();
  }

  void Open(int i) {
    try {
      commands.OpenFile(SequenceFile(dir, i));
      commands.WaitForLoad();
    } catch (const Error& error) {
      ASSERT_EQ(i % 13, 0) << error.what();
    }
    window.ProcessPaint();
  }

  test::TempDir dir;
  ProgramChart program;
  chart::HeadlessHost window{program.Chart(), 320, 240};
  fakes::FakeUi ui;
  fakes::FakeClipboard clipboard;
  ViewerCommands commands{program, ui, clipboard, dir.path().string()};
};

TEST_F(LongRunTest, AThousandFilesAndTenThousandZoomsKeepTheMemoryInUse) {
  chart::Chart& chart = program.Chart();
  chart.SetAnimatedZoom(false);  // every zoom is one paint; the animation has its own tests
  int zooms = 0, scrolls = 0, undos = 0;
  chart.OnZoom = [&](chart::Chart&) { ++zooms; };
  chart.OnScroll = [&](chart::Chart&) { ++scrolls; };
  chart.OnUndoZoom = [&](chart::Chart&) { ++undos; };
  for (int i = 0; i < kFiles / 10; ++i) Open(i);
  for (int i = 0; i < kCycles / 10; ++i) Cycle(i);
  const std::size_t start = BytesInUse();

  for (int i = 0; i < kFiles; ++i) Open(i);
  EXPECT_EQ(program.Series().PointCount(), 20 + (kFiles - 1) % 50);
  for (int i = 0; i < kCycles; ++i) Cycle(i);
  EXPECT_GT(zooms, kCycles / 5);
  EXPECT_GT(scrolls, kCycles / 5);
  EXPECT_GT(undos, kCycles / 5);

  const std::size_t end = BytesInUse();
  if (!kSanitized) {
    EXPECT_LE(end, start + (std::size_t{1} << 20)) << "from " << start << " to " << end;
  }
}

}  // namespace
}  // namespace kep::viewer
