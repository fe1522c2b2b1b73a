#include "viewer/viewer_commands.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/error.h"
#include "common/file_name.h"
#include "common/format.h"
#include "output/messages.h"
#include "sequence/file_path.h"
#include "viewer/messages.h"
#include "viewer/sequence_loader.h"

namespace kep::viewer {

namespace {

const std::vector<FileFilter>& OpenFilters() {
  static const std::vector<FileFilter> filters = {
      {"Tavrine sequence (*.kep)", {"*.kep"}},
      {"Text files (*.txt)", {"*.txt"}},
      // "*" so that names without an extension, such as SQ77, are listed too.
      {"All files (*.*)", {"*"}},
  };
  return filters;
}

}  // namespace

void RefuseToOverwriteSequence(const std::string& output, const std::string& sequence_file) {
  std::error_code ec;  // a file that does not exist is not the sequence file
  if (!sequence_file.empty() && std::filesystem::equivalent(output, sequence_file, ec)) {
    throw FileError(FormatMessage(output::messages::kCannotCreateFile, output,
                                  std::string(messages::kIsTheSequenceFile)));
  }
}

ViewerCommands::ViewerCommands(ProgramChart& chart, ViewerUi& ui, chart::Clipboard& clipboard,
                               std::string samples_folder)
    : chart_(chart),
      ui_(ui),
      clipboard_(clipboard),
      samples_folder_(std::move(samples_folder)),
      views_(chart),
      loads_(chart, views_) {
  ui_.SetSaveEnabled(false);
}

void ViewerCommands::OpenSequence() {
  FileDialogRequest request;
  request.title = std::string(messages::kOpenDialogTitle);
  request.filters = OpenFilters();
  request.initial_folder = last_open_dir_.empty() ? samples_folder_ : last_open_dir_;
  const std::optional<std::string> path = ui_.RunOpenDialog(request);
  if (!path || path->empty()) return;
  OpenFile(*path);
}

void ViewerCommands::OpenFile(const std::string& path) {
  loads_.Cancel();
  opening_ = path;
  if (sequence::IsSQFileName(sequence::FileNameOf(path))) {
    if (!notice_shown_) ui_.ShowReformatNotice();
    notice_shown_ = true;
  } else {
    HideNotice();
  }
  LoadHooks hooks;
  hooks.column = term_column_;
  hooks.remember_folder = [this](const std::string& folder) {
    last_open_dir_ = folder;
    opening_cleared_chart_ = true;
  };
  opening_cleared_chart_ = false;
  loads_.Open(path, std::move(hooks));
}

void ViewerCommands::CancelLoad() {
  loads_.Cancel();
  HideNotice();
}

void ViewerCommands::FinishLoad() { TakeInLoad(false); }

void ViewerCommands::WaitForLoad() { TakeInLoad(true); }

void ViewerCommands::TakeInLoad(bool wait) {
  LoadEnd end = LoadEnd::kNone;
  try {
    end = wait ? loads_.Wait() : loads_.Poll();
  } catch (...) {
    // Only an open raises: its file is the one chosen last, as when it loads.
    open_file_name_ = opening_;
    HideNotice();
    // The views before belong to the points that are gone.
    if (opening_cleared_chart_) views_.Restart();
    throw;
  }
  if (!loads_.Opening()) HideNotice();
  if (end != LoadEnd::kOpened) return;
  open_file_name_ = opening_;
  views_.Restart();
  recent_files_.Add(opening_);
  ui_.RecentFilesChanged(recent_files_.Files());
  chart_.Chart().RepaintNow();
  save_enabled_ = true;
  ui_.SetSaveEnabled(true);
}

void ViewerCommands::OpenRecent(const std::string& path) {
  std::error_code error;
  if (std::filesystem::status(path, error).type() == std::filesystem::file_type::not_found) {
    recent_files_.Remove(path);
    ui_.RecentFilesChanged(recent_files_.Files());
    ui_.ShowError(FormatMessage(messages::kRecentFileGone, path));
    return;
  }
  OpenFile(path);
}

void ViewerCommands::Reload() {
  if (!open_file_name_.empty()) OpenFile(open_file_name_);
}

void ViewerCommands::SetTermColumn(sequence::TermColumn column) {
  term_column_ = column;
  Reload();
}

std::optional<ReadoutPoint> ViewerCommands::ReadoutAt(int pixel_x, int pixel_y) const {
  return LookUpReadout(chart_, loads_.LineSource(), pixel_x, pixel_y);
}

void ViewerCommands::SetLastFolders(std::string open_dir, std::string save_dir) {
  last_open_dir_ = std::move(open_dir);
  last_save_dir_ = std::move(save_dir);
}

void ViewerCommands::SetRecentFiles(const std::vector<std::string>& files) {
  recent_files_ = RecentFiles(files);
  ui_.RecentFilesChanged(recent_files_.Files());
}

void ViewerCommands::HideNotice() {
  if (notice_shown_) ui_.HideReformatNotice();
  notice_shown_ = false;
}

void ViewerCommands::SaveImage() {
  FileDialogRequest request;
  request.title = std::string(messages::kSaveDialogTitle);
  request.filters = {{"GIF files (*.gif)", {"*.gif"}},
                     {"PNG files (*.png)", {"*.png"}},
                     {"SVG files (*.svg)", {"*.svg"}},
                     {"PDF files (*.pdf)", {"*.pdf"}}};
  request.initial_folder = last_save_dir_;
  request.file_name = sequence::ReplaceExtension(sequence::FileNameOf(open_file_name_), ".gif");
  std::optional<std::string> path = ui_.RunSaveDialog(request);
  if (!path || path->empty()) return;
  // A confirmed name without an extension is saved as a GIF file.
  if (ExtensionOf(*path).empty()) *path += ".gif";
  if (const std::optional<output::ImageFormat> format = output::ImageFormatOf(*path)) {
    SaveChartImage(*path, *format);
  } else {
    ui_.ShowError(std::string(messages::kOnlyImageFiles));
  }
  last_save_dir_ = std::string(sequence::FolderOf(*path));
}

void ViewerCommands::CopyChart() { chart_.Chart().CaptureToClipboard(clipboard_); }

void ViewerCommands::SetImageScale(int scale) { image_scale_ = std::clamp(scale, 1, kMaxImageScale); }

// At scale 1 the image is the one read back from the clipboard, as the
// capture left it; at other scales, and for drawings, the chart draws itself
// for the file, and the clipboard still gets the capture at scale 1.
void ViewerCommands::SaveChartImage(const std::string& path, output::ImageFormat format) {
  // The file last chosen, the one the chart follows and the one a load reads.
  RefuseToOverwriteSequence(path, open_file_name_);
  RefuseToOverwriteSequence(path, loads_.FollowedPath());
  if (loads_.Loading()) RefuseToOverwriteSequence(path, loads_.LoadingPath());
  CopyChart();
  chart::Chart& chart = chart_.Chart();
  if (output::IsVectorFormat(format)) {
    SaveVectorImage(chart, format, path);
  } else if (image_scale_ != 1) {
    SaveImageFile(chart.RenderToBitmap(chart.ClientRect(), image_scale_), format, path);
  } else {
    SaveImageFile(clipboard_.GetBitmap(), format, path);
  }
}

}  // namespace kep::viewer
