#include "viewer/program_chart.h"

#include <memory>
#include <utility>

#include "viewer/messages.h"

namespace kep::viewer {

using raster::clBlue;
using raster::clGreen;
using raster::clWhite;

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
  chart.Legend().SetVisible(false);
  chart.SetBevelOuter(chart::PanelBevel::bvNone);
  chart.SetColor(clWhite);

  series.SetSeriesColor(clBlue);
  series.SetTitle(std::string(messages::kSeriesTitle));
  raster::ChartPen pen;
  pen.color = clBlue;
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
  chart.SetLoading(false);
}

ProgramChart::ProgramChart(chart::NumberFormat label_format)
    : series_(static_cast<chart::LineSeries&>(chart_.AddSeries(std::make_unique<chart::LineSeries>()))) {
  ApplyProgramSettings(chart_, series_);
  chart_.SetLabelNumberFormat(std::move(label_format));
}

}  // namespace kep::viewer
