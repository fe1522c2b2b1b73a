#include "viewer/viewer_commands.h"

#include <algorithm>
#include <cctype>

#include "gif/gif_image.h"
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

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

std::string ExtensionOf(const std::string& path) {
  const std::string_view name = sequence::FileNameOf(path);
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot));
}

ViewerCommands::ViewerCommands(ProgramChart& chart, ViewerUi& ui, chart::Clipboard& clipboard,
                               std::string samples_folder)
    : chart_(chart), ui_(ui), clipboard_(clipboard), samples_folder_(std::move(samples_folder)) {
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
  open_file_name_ = path;
  LoadHooks hooks;
  hooks.show_reformat_notice = [this] { ui_.ShowReformatNotice(); };
  hooks.hide_reformat_notice = [this] { ui_.HideReformatNotice(); };
  hooks.remember_folder = [this](const std::string& folder) { last_open_dir_ = folder; };
  LoadSequence(path, chart_, hooks);
  chart_.Chart().RepaintNow();
  save_enabled_ = true;
  ui_.SetSaveEnabled(true);
}

void ViewerCommands::SaveImage() {
  FileDialogRequest request;
  request.title = std::string(messages::kSaveDialogTitle);
  request.filters = {{"GIF files (*.gif)", {"*.gif"}}};
  request.initial_folder = last_save_dir_;
  request.file_name = sequence::ReplaceExtension(sequence::FileNameOf(open_file_name_), ".gif");
  std::optional<std::string> path = ui_.RunSaveDialog(request);
  if (!path || path->empty()) return;
  // A confirmed name without an extension is saved as a GIF file.
  if (ExtensionOf(*path).empty()) *path += ".gif";
  if (Lowercase(ExtensionOf(*path)) == ".gif") {
    SaveChartAsGif(*path);
  } else {
    ui_.ShowError(std::string(messages::kOnlyGifFiles));
  }
  last_save_dir_ = std::string(sequence::FolderOf(*path));
}

void ViewerCommands::SaveChartAsGif(const std::string& path) {
  chart_.Chart().CaptureToClipboard(clipboard_);
  const raster::Bitmap bitmap = clipboard_.GetBitmap();
  gif::SaveBitmapAsGIF(
      gif::BitmapView::XRGB32(bitmap.Pixels().data(), bitmap.Width(), bitmap.Height(), bitmap.Stride()), path);
}

}  // namespace kep::viewer
