#include "viewer/program_chart.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <memory>
#include <utility>

#include "viewer/messages.h"

namespace kep::viewer {

using raster::clBlue;
using raster::clGreen;
using raster::clWhite;

raster::Color SequenceColor(int slot) {
  // Seven colours readable on white that stay apart for the common colour
  // blindnesses, then eight more of the same kind, darker and lighter.
  static constexpr std::array kPalette = {
      clBlue,
      raster::Color::FromRgb(0xE6, 0x9F, 0x00),  // orange
      raster::Color::FromRgb(0x00, 0x9E, 0x73),  // bluish green
      raster::Color::FromRgb(0xD5, 0x5E, 0x00),  // vermilion
      raster::Color::FromRgb(0xCC, 0x79, 0xA7),  // reddish purple
      raster::Color::FromRgb(0x56, 0xB4, 0xE9),  // sky blue
      raster::Color::FromRgb(0x00, 0x00, 0x00),  // black
      raster::Color::FromRgb(0x00, 0x72, 0xB2),  // blue
      raster::Color::FromRgb(0x88, 0x22, 0x55),  // wine
      raster::Color::FromRgb(0x11, 0x77, 0x33),  // green
      raster::Color::FromRgb(0xCC, 0x66, 0x77),  // rose
      raster::Color::FromRgb(0x33, 0x22, 0x88),  // indigo
      raster::Color::FromRgb(0x99, 0x99, 0x33),  // olive
      raster::Color::FromRgb(0x44, 0xAA, 0x99),  // teal
      raster::Color::FromRgb(0xAA, 0x44, 0x99),  // purple
      raster::Color::FromRgb(0x77, 0x77, 0x77),  // grey
  };
  static_assert(kPalette.size() == kMaxSequences);
  return kPalette[static_cast<std::size_t>(std::clamp(slot, 0, kMaxSequences - 1))];
}

void ApplyProgramSettings(chart::Chart& chart, chart::LineSeries& series) {
  // Stored settings are read as a whole, without the range checks of single changes.
  chart.SetLoading(true);
  chart.SetAnimatedZoom(true);
  chart.SetAnimatedZoomSteps(16);
  chart.BackWall().SetBrush({clWhite, raster::BrushStyle::bsClear});
  chart.Gradient().SetDirection(chart::GradientDirection::gdBottomTop);
  chart.Gradient().SetEndColor(clGreen);
  chart.SetMarginLeft(1);
  chart.SetMarginTop(1);
  chart.SetMarginRight(1);
  chart.SetMarginBottom(1);
  chart.Title().SetText({std::string(messages::kInitialChartTitle)});
  chart.BottomAxis().Title().SetCaption(std::string(messages::kBottomAxisTitle));
  chart.LeftAxis().Title().SetCaption(std::string(messages::kLeftAxisTitle));
  chart.SetView3D(false);
  chart.SetChart3DPercent(5);
  chart.Legend().SetVisible(true);
  chart.SetBevelOuter(chart::PanelBevel::bvNone);
  chart.SetColor(clWhite);

  ApplySeriesSettings(series, clBlue);
  chart.SetLoading(false);
}

void ApplySeriesSettings(chart::LineSeries& series, raster::Color color) {
  series.SetSeriesColor(color);
  series.SetTitle(std::string(messages::kSeriesTitle));
  raster::ChartPen pen;
  pen.color = color;
  pen.width = 2;
  series.SetLinePen(pen);
  series.SetLineBrush(raster::BrushStyle::bsClear);
  series.SetDark3D(false);
  series.Pointer().SetVisible(false);
  series.Pointer().SetStyle(chart::PointerStyle::psTriangle);
  series.Pointer().SetInflateMargins(false);
  series.Marks().SetVisible(false);
  series.Marks().SetArrowLength(8);
  for (chart::ChartValueList* list : {&series.XValues(), &series.YValues()}) {
    list->SetMultiplier(1.0);
    list->SetDateTime(false);
  }
  series.XValues().SetOrder(chart::ChartListOrder::loAscending);
  series.YValues().SetOrder(chart::ChartListOrder::loNone);
}

ProgramChart::ProgramChart(chart::NumberFormat label_format)
    : series_(static_cast<chart::LineSeries&>(chart_.AddSeries(std::make_unique<chart::LineSeries>()))) {
  ApplyProgramSettings(chart_, series_);
  chart_.SetLabelNumberFormat(std::move(label_format));
}

chart::LineSeries& ProgramChart::SeriesAt(int i) const {
  return static_cast<chart::LineSeries&>(*chart_.SeriesList()[static_cast<std::size_t>(i)]);
}

chart::LineSeries& ProgramChart::AddSeries() {
  assert(SeriesCount() < kMaxSequences);
  int slot = 0;
  const auto used = [&](int candidate) {
    const auto list = chart_.SeriesList();
    return std::any_of(list.begin(), list.end(),
                       [&](const auto& series) { return series->SeriesColor() == SequenceColor(candidate); });
  };
  while (slot < kMaxSequences - 1 && used(slot)) ++slot;
  auto series = std::make_unique<chart::LineSeries>();
  ApplySeriesSettings(*series, SequenceColor(slot));
  return static_cast<chart::LineSeries&>(chart_.AddSeries(std::move(series)));
}

void ProgramChart::RemoveSeries(const chart::LineSeries& series) {
  assert(&series != &series_);
  chart_.RemoveSeries(series);
}

double ProgramChart::FreshLeftAxisTop() const {
  double largest = 0;
  for (const auto& series : chart_.SeriesList()) {
    if (series->Active() && series->PointCount() > 0) largest = std::max(largest, series->HighestY());
  }
  return LeftAxisTop(largest);
}

}  // namespace kep::viewer
