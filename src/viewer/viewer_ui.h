#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kep::viewer {

// One entry of a file dialog's type list, such as "Text files (*.txt)".
struct FileFilter {
  std::string description;            // "Text files (*.txt)"
  std::vector<std::string> patterns;  // {"*.txt"}; "*" matches every name
};

struct FileDialogRequest {
  std::string title;
  std::vector<FileFilter> filters;  // the first one is selected
  std::string initial_folder;       // empty: the dialog's own choice
  std::string file_name;            // proposed name, without folder
};

// What the viewer's commands need of the windowing system. The Qt
// application implements it with real dialogs; tests answer it with fakes.
class ViewerUi {
 public:
  virtual ~ViewerUi() = default;

  // The chosen full path, or nothing when the user cancels.
  virtual std::optional<std::string> RunOpenDialog(const FileDialogRequest& request) = 0;
  // The confirmed full path, or nothing when the user cancels. The dialog
  // asks before it lets the user choose an existing file.
  virtual std::optional<std::string> RunSaveDialog(const FileDialogRequest& request) = 0;
  // The modeless notice shown while an "SQ" file is reformatted; showing it
  // must paint it before returning.
  virtual void ShowReformatNotice() = 0;
  virtual void HideReformatNotice() = 0;
  // A modal error box; the message is shown as it is given.
  virtual void ShowError(const std::string& message) = 0;
  // Enables or disables the "Save image . . ." command.
  virtual void SetSaveEnabled(bool enabled) = 0;
  // The recent files changed (the most recent first): show and keep them.
  virtual void RecentFilesChanged(const std::vector<std::string>& files) = 0;
};

}  // namespace kep::viewer
