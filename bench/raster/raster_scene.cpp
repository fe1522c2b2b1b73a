// Draws a test scene with every kind of drawing the chart uses and writes it
// as a binary PPM: raster_scene OUTPUT.ppm
#include <cstdio>
#include <exception>
#include <string>

#include "raster/chart_canvas.h"

namespace {

using kep::raster::Bitmap;
using kep::raster::BrushStyle;
using kep::raster::ChartAxisPen;
using kep::raster::ChartCanvas;
using kep::raster::DottedGrayPen;
using kep::raster::Font;
using kep::raster::HorizontalAlign;
using kep::raster::IntPoint;
using kep::raster::IntRect;
using kep::raster::Pen;
using kep::raster::PenMode;
using kep::raster::VerticalAlign;
using kep::raster::WritePpm;

void Marker(ChartCanvas& canvas, int x, int y) {
  canvas.FillRect({x - 2, y, x + 3, y + 1}, kep::raster::clRed);
  canvas.FillRect({x, y - 2, x + 1, y + 3}, kep::raster::clRed);
}

void DrawScene(ChartCanvas& canvas) {
  const IntRect plot{60, 40, 560, 340};
  canvas.SetFont(Font{"Arial", 8, 0, false, false, kep::raster::clBlue});
  canvas.SetTextAlign(HorizontalAlign::kCenter, VerticalAlign::kTop);
  canvas.TextOut((plot.Left + plot.Right) / 2, 8, "Sequence file: growth.kep");
  canvas.SetTextAlign(HorizontalAlign::kLeft, VerticalAlign::kTop);

  // Back wall, grid, axes and ticks as the chart draws them.
  canvas.SetBrushStyle(BrushStyle::bsClear);
  canvas.Rectangle({plot.Left, plot.Top, plot.Right + 1, plot.Bottom + 1});
  canvas.AssignChartPen(DottedGrayPen{});
  for (int x = plot.Left + 50; x < plot.Right; x += 50) canvas.Line({x, plot.Top}, {x, plot.Bottom});
  for (int y = plot.Top + 50; y < plot.Bottom; y += 50) canvas.Line({plot.Left, y}, {plot.Right, y});
  canvas.AssignChartPen(ChartAxisPen{});
  canvas.Line({plot.Left, plot.Top}, {plot.Left, plot.Bottom});
  canvas.Line({plot.Left, plot.Bottom}, {plot.Right, plot.Bottom});
  canvas.SetFont(Font{});
  canvas.SetFont(Font{"Arial", 8, 0, false, false, kep::raster::clBlack});
  canvas.SetPen(Pen{kep::raster::clGray, 1});
  for (int x = plot.Left; x <= plot.Right; x += 50) {
    canvas.Line({x, plot.Bottom + 1}, {x, plot.Bottom + 5});
    canvas.SetTextAlign(HorizontalAlign::kCenter, VerticalAlign::kTop);
    canvas.TextOut(x, plot.Bottom + 6, std::to_string((x - plot.Left) * 20));
  }
  for (int y = plot.Top; y <= plot.Bottom; y += 50) {
    canvas.Line({plot.Left - 1, y}, {plot.Left - 5, y});
    canvas.SetTextAlign(HorizontalAlign::kRight, VerticalAlign::kTop);
    canvas.TextOut(plot.Left - 6, y - canvas.TextLineHeight() / 2, std::to_string((plot.Bottom - y) / 10));
  }
  canvas.SetTextAlign(HorizontalAlign::kCenter, VerticalAlign::kBottom);
  canvas.RotatedTextOut(22, (plot.Top + plot.Bottom) / 2, "Number Size", 90);
  canvas.SetTextAlign(HorizontalAlign::kCenter, VerticalAlign::kTop);
  canvas.TextOut((plot.Left + plot.Right) / 2, plot.Bottom + 22, "Sequence Length");

  // The series: a blue line of width 2, clipped to the plot.
  canvas.ClipToPlot(plot);
  Pen series{kep::raster::clBlue, 2};
  canvas.SetPen(series);
  IntPoint points[120];
  for (int i = 0; i < 120; ++i)
    points[i] = {plot.Left + i * 5 - 40, plot.Bottom - 10 - (i * i) / 50 - (i % 7) * 6};
  canvas.Polyline(points);
  canvas.RemoveClip();

  // Rubber band (not-xor) over the plot.
  canvas.SetPen(Pen{kep::raster::clBlack, 1, kep::raster::PenStyle::psSolid, PenMode::pmNotXor});
  canvas.Rectangle({300, 120, 480, 260});
  canvas.SetPenMode(PenMode::pmCopy);

  // Labels at all six alignments around red anchor markers, in opaque mode.
  const HorizontalAlign hs[] = {HorizontalAlign::kLeft, HorizontalAlign::kCenter, HorizontalAlign::kRight};
  const VerticalAlign vs[] = {VerticalAlign::kTop, VerticalAlign::kBottom};
  canvas.SetBackgroundMode(kep::raster::BackgroundMode::kOpaque);
  canvas.SetBackgroundColor(kep::raster::clYellow);
  int row = 0;
  for (const VerticalAlign v : vs) {
    int column = 0;
    for (const HorizontalAlign h : hs) {
      const int x = 620;
      const int y = 60 + (row * 3 + column) * 30;
      canvas.SetTextAlign(h, v);
      canvas.TextOut(x, y, "Align Wg");
      Marker(canvas, x, y);
      ++column;
    }
    ++row;
  }
  canvas.SetBackgroundMode(kep::raster::BackgroundMode::kTransparent);

  // Rotated text at every right angle and at 30 degrees, anchored left-top.
  canvas.SetTextAlign(HorizontalAlign::kLeft, VerticalAlign::kTop);
  canvas.SetFont(Font{"Courier New", 10, 0, true, false, kep::raster::clMaroon});
  const int angles[] = {0, 90, 180, 270, 30};
  for (int i = 0; i < 5; ++i) {
    const int x = 120 + i * 110;
    canvas.RotatedTextOut(x, 460, "Rot" + std::to_string(angles[i]), angles[i]);
    Marker(canvas, x, 460);
  }

  // Filled and hatched rectangles, wide outlines, and a dotted line in both modes.
  canvas.SetFont(Font{"MS Sans Serif", 8, 0, false, true, kep::raster::clBlack});
  canvas.TextOut(600, 380, "italic sans");
  canvas.SetPen(Pen{kep::raster::clGreen, 3});
  canvas.SetBrush({kep::raster::clSilver, BrushStyle::bsSolid});
  canvas.Rectangle({600, 400, 660, 440});
  canvas.SetPen(Pen{kep::raster::clNavy, 1});
  canvas.SetBrush({kep::raster::clTeal, BrushStyle::bsCross});
  canvas.Rectangle({670, 400, 730, 440});
  canvas.SetPen(Pen{kep::raster::clRed, 1, kep::raster::PenStyle::psDot});
  canvas.Line({600, 460}, {740, 460});
  canvas.SetBackgroundMode(kep::raster::BackgroundMode::kOpaque);
  canvas.SetBackgroundColor(kep::raster::clAqua);
  canvas.Line({600, 470}, {740, 500});
  canvas.RestoreDefaults();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: raster_scene OUTPUT.ppm\n");
    return 2;
  }
  try {
    ChartCanvas canvas;
    Bitmap window(753, 561);
    canvas.SetWindow(&window);
    const IntRect panel = canvas.BeginDraw(window, window.Bounds());
    canvas.FillRect(panel, kep::raster::clWhite);
    DrawScene(canvas);
    canvas.PresentImage(window, window.Bounds());
    if (!WritePpm(window, argv[1])) {
      std::fprintf(stderr, "cannot write %s\n", argv[1]);
      return 1;
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  return 0;
}
