#include "viewer/viewer_commands.h"

#include <algorithm>
#include <exception>
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
  // An open shows that file alone.
  RemoveAllAdded();
  StartOpen(path);
}

void ViewerCommands::StartOpen(const std::string& path) {
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
  // Added files still being read are not added.
  for (std::size_t i = added_.size(); i-- > 0;) {
    if (!added_[i].shown_once) RemoveAdded(i);
  }
  for (Added& added : added_) added.loads->Cancel();
  HideNotice();
}

void ViewerCommands::FinishLoad() { TakeInLoad(false); }

void ViewerCommands::WaitForLoad() { TakeInLoad(true); }

void ViewerCommands::TakeInLoad(bool wait) {
  TakeInAdded(wait);
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
  if (open_file_name_.empty()) return;
  StartOpen(open_file_name_);
  for (Added& added : added_) {
    LoadHooks hooks;
    hooks.column = term_column_;
    added.loads->Open(added.path, std::move(hooks));
  }
}

void ViewerCommands::SetTermColumn(sequence::TermColumn column) {
  term_column_ = column;
  Reload();
}

std::optional<ReadoutPoint> ViewerCommands::ReadoutAt(int pixel_x, int pixel_y) const {
  std::vector<std::optional<ReadoutSource>> sources{loads_.LineSource()};
  for (const Added& added : added_) sources.push_back(added.loads->LineSource());
  return LookUpReadout(chart_, sources, pixel_x, pixel_y, &readout_cache_);
}

void ViewerCommands::AddSequence() {
  FileDialogRequest request;
  request.title = std::string(messages::kAddDialogTitle);
  request.filters = OpenFilters();
  request.initial_folder = last_open_dir_.empty() ? samples_folder_ : last_open_dir_;
  const std::optional<std::string> path = ui_.RunOpenDialog(request);
  if (!path || path->empty()) return;
  AddFile(*path);
}

bool ViewerCommands::Shows(const std::string& path) const {
  const auto same = [&](const std::string& other) {
    std::error_code error;  // a file that does not exist is none of them
    return other == path || (!other.empty() && std::filesystem::equivalent(other, path, error));
  };
  if (same(open_file_name_) || (loads_.Opening() && same(loads_.LoadingPath()))) return true;
  return std::any_of(added_.begin(), added_.end(), [&](const Added& added) { return same(added.path); });
}

void ViewerCommands::AddFile(const std::string& path) {
  if (open_file_name_.empty() && !loads_.Opening()) {
    OpenFile(path);
    return;
  }
  if (Shows(path)) throw FileError(FormatMessage(messages::kAlreadyShown, path));
  if (chart_.SeriesCount() >= kMaxSequences) throw Error(std::string(messages::kTooManySequences));
  Added added;
  added.path = path;
  added.series = &chart_.AddSeries();
  added.series->SetTitle(std::string(sequence::FileNameOf(path)));
  // Hidden until its points are in.
  added.series->SetActive(false);
  added.loads = std::make_unique<LoadController>(chart_, views_, added.series);
  added.loads->on_worker_event = loads_.on_worker_event;
  added.loads->SetFollowing(loads_.Following());
  LoadHooks hooks;
  hooks.column = term_column_;
  added.loads->Open(path, std::move(hooks));
  added_.push_back(std::move(added));
}

void ViewerCommands::TakeInAdded(bool wait) {
  std::exception_ptr failure;
  for (std::size_t i = 0; i < added_.size();) {
    Added& added = added_[i];
    LoadEnd end = LoadEnd::kNone;
    try {
      end = wait ? added.loads->Wait() : added.loads->Poll();
    } catch (...) {
      // Only an open raises: that file is not added.
      if (!failure) failure = std::current_exception();
      RemoveAdded(i);
      continue;
    }
    if (end == LoadEnd::kOpened) {
      added.shown_once = true;
      views_.Restart();
      chart_.Chart().RepaintNow();
    } else if (end == LoadEnd::kFollowed) {
      chart_.Chart().InvalidateChart();
    }
    ++i;
  }
  if (failure) std::rethrow_exception(failure);
}

std::vector<ViewerCommands::Sequence> ViewerCommands::Sequences() const {
  std::vector<Sequence> sequences;
  if (!open_file_name_.empty()) sequences.push_back({open_file_name_, &chart_.Series(), false});
  for (const Added& added : added_) sequences.push_back({added.path, added.series, !added.shown_once});
  return sequences;
}

void ViewerCommands::SetSequenceShown(int index, bool shown) {
  const std::vector<Sequence> sequences = Sequences();
  if (index < 0 || index >= static_cast<int>(sequences.size())) return;
  sequences[static_cast<std::size_t>(index)].series->SetActive(shown);
  // The fresh view covers the sequences shown.
  views_.PointsChanged();
  chart_.Chart().RepaintNow();
}

void ViewerCommands::RemoveSequence(int index) {
  if (index < 1 || index > static_cast<int>(added_.size())) return;
  RemoveAdded(static_cast<std::size_t>(index - 1));
  views_.PointsChanged();
  chart_.Chart().RepaintNow();
}

void ViewerCommands::RemoveAdded(std::size_t i) {
  Added& added = added_[i];
  added.loads.reset();  // cancels its load first
  chart_.RemoveSeries(*added.series);
  added_.erase(added_.begin() + static_cast<std::ptrdiff_t>(i));
  ReturnFreedMemory();
}

void ViewerCommands::RemoveAllAdded() {
  while (!added_.empty()) RemoveAdded(added_.size() - 1);
}

void ViewerCommands::CheckAddedFiles() {
  for (Added& added : added_) added.loads->CheckFile();
}

const LoadController* ViewerCommands::WholeFileRead() const {
  if (loads_.ReadingWholeFile()) return &loads_;
  for (const Added& added : added_) {
    if (added.loads->ReadingWholeFile()) return added.loads.get();
  }
  return nullptr;
}

void ViewerCommands::SetFollowing(bool on) {
  loads_.SetFollowing(on);
  for (Added& added : added_) added.loads->SetFollowing(on);
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
  for (const Added& added : added_) RefuseToOverwriteSequence(path, added.path);
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
