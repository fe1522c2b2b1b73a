// Draws a left axis for 0 .. 41 and a bottom axis for 1 .. 1000 the way the
// viewer lays them out on a 753 x 561 panel, and writes the picture as a PPM
// file (default axis_picture.ppm) for a look at labels, ticks and grid.
#include <cmath>
#include <cstdio>
#include <memory>

#include "chart/axis_panel.h"
#include "raster/bitmap.h"

int main(int argc, char** argv) {
  using namespace kep;
  const char* path = argc > 1 ? argv[1] : "axis_picture.ppm";
  chart::CustomAxisPanel chart;
  chart.SetColor(raster::clWhite);
  auto& series = chart.AddSeries(std::make_unique<chart::ChartSeries>());
  for (int i = 1; i <= 1000; ++i) series.AddPoint(i, std::floor(i * 0.04), "", raster::clSeriesColor);
  chart::ChartAxis& bottom = chart.BottomAxis();
  chart::ChartAxis& left = chart.LeftAxis();
  bottom.Title().SetCaption("Sequence Length");
  left.Title().SetCaption("Number Size");
  left.SetAutomatic(false);
  left.SetMaximum(41);

  raster::Bitmap bitmap(753, 561);
  raster::ChartCanvas& canvas = chart.Canvas();
  canvas.SetTarget(&bitmap);
  // Margins of 1 % and a title line, then two layouts so that the label
  // widths use the pixel run of the first one.
  for (int pass = 0; pass < 2; ++pass) {
    raster::IntRect rect{8, 6 + 13 + 5, 745, 555};
    for (chart::ChartAxis* axis : {&bottom, &left}) {
      axis->ComputeRange();
      axis->ReserveAxisSpace(rect);
    }
    chart.SetPlotRect(rect);
    bottom.PlacePixels();
    left.PlacePixels();
  }
  const raster::IntRect& plot = chart.PlotRect();
  canvas.SetPen(raster::Pen{});
  canvas.SetBrushStyle(raster::BrushStyle::bsClear);
  canvas.Rectangle({plot.Left, plot.Top, plot.Right + 1, plot.Bottom + 1});
  bottom.DrawAxis();
  left.DrawAxis();

  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return 1;
  std::fprintf(file, "P6\n%d %d\n255\n", bitmap.Width(), bitmap.Height());
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      const std::uint32_t p = bitmap.Pixel(x, y);
      const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                    static_cast<unsigned char>(p)};
      std::fwrite(rgb, 1, 3, file);
    }
  }
  std::printf(
      "plot %d %d %d %d, left labels edge %d, bottom labels edge %d, left ticks %zu, bottom ticks %zu\n",
      plot.Left, plot.Top, plot.Right, plot.Bottom, left.LabelsEdgePos(), bottom.LabelsEdgePos(),
      left.TickPositions().size(), bottom.TickPositions().size());
  return std::fclose(file) == 0 ? 0 : 1;
}
