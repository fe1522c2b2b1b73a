#pragma once

#include <optional>
#include <string>
#include <vector>

#include "chart/clipboard.h"
#include "common/error.h"
#include "raster/bitmap.h"
#include "viewer/viewer_ui.h"

namespace kep::viewer::fakes {

// Answers dialogs with prepared paths and records what the commands asked.
class FakeUi : public ViewerUi {
 public:
  std::optional<std::string> open_answer;
  std::optional<std::string> save_answer;
  std::vector<FileDialogRequest> open_requests, save_requests;
  std::vector<std::string> events;  // notices and errors in order
  bool save_enabled = false;
  std::vector<std::string> recent_files;  // as last shown

  std::optional<std::string> RunOpenDialog(const FileDialogRequest& request) override {
    open_requests.push_back(request);
    return open_answer;
  }
  std::optional<std::string> RunSaveDialog(const FileDialogRequest& request) override {
    save_requests.push_back(request);
    return save_answer;
  }
  void ShowReformatNotice() override { events.push_back("show notice"); }
  void HideReformatNotice() override { events.push_back("hide notice"); }
  void ShowError(const std::string& message) override { events.push_back("error: " + message); }
  void SetSaveEnabled(bool enabled) override { save_enabled = enabled; }
  void RecentFilesChanged(const std::vector<std::string>& files) override { recent_files = files; }
};

class FakeClipboard : public chart::Clipboard {
 public:
  bool refuse = false;       // the clipboard cannot be opened
  bool loses_image = false;  // another program replaces the image before it is read back
  std::optional<raster::Bitmap> content;

  void SetBitmap(const raster::Bitmap& bitmap) override {
    if (refuse) throw Error("Cannot open clipboard");
    content = bitmap;
  }
  raster::Bitmap GetBitmap() override {
    if (loses_image || !content) throw Error("Unsupported clipboard format");
    return *content;
  }
};

}  // namespace kep::viewer::fakes
