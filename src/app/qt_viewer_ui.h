#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "viewer/viewer_ui.h"

class QWidget;

namespace kep::app {

class ReformatDialog;

// The viewer's dialogs and notices as Qt widgets.
class QtViewerUi : public viewer::ViewerUi {
 public:
  QtViewerUi(QWidget& main_window, ReformatDialog& reformat_dialog);

  std::optional<std::string> RunOpenDialog(const viewer::FileDialogRequest& request) override;
  std::optional<std::string> RunSaveDialog(const viewer::FileDialogRequest& request) override;
  void ShowReformatNotice() override;
  void HideReformatNotice() override;
  void ShowError(const std::string& message) override;
  void SetSaveEnabled(bool enabled) override;
  void RecentFilesChanged(const std::vector<std::string>& files) override;

  // Called with the save command's new enabled state.
  std::function<void(bool)> on_save_enabled;
  // Called with the recent files, the most recent first.
  std::function<void(const std::vector<std::string>&)> on_recent_files_changed;

 private:
  std::optional<std::string> RunFileDialog(const viewer::FileDialogRequest& request, bool save);

  QWidget& main_window_;
  ReformatDialog& reformat_dialog_;
};

// Shows a modal critical message box with the application's title.
void ShowErrorBox(QWidget* parent, const QString& message);

// Runs action and shows an error it raises in a message box over parent
// instead of letting it go further: the program's own errors, running out of
// memory and any other standard exception, each as the user reads it.
void RunShowingErrors(QWidget* parent, const std::function<void()>& action);

}  // namespace kep::app
