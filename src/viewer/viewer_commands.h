#pragma once

#include <string>

#include "chart/clipboard.h"
#include "viewer/program_chart.h"
#include "viewer/viewer_ui.h"

namespace kep::viewer {

// The main window's commands without the window: opening a sequence file
// into the chart and saving the chart as a GIF image, with the folders they
// remember. They talk to dialogs, notices and the clipboard through ViewerUi
// and Clipboard, so the Qt application and tests drive the same steps.
// Errors propagate to the caller, which shows them.
class ViewerCommands {
 public:
  // samples_folder: where the open dialog starts until a file was opened.
  ViewerCommands(ProgramChart& chart, ViewerUi& ui, chart::Clipboard& clipboard, std::string samples_folder);

  // "Open sequence . . .": asks for a file and loads it; a cancel does nothing.
  void OpenSequence();
  // Loads path as if it had been chosen in the open dialog.
  void OpenFile(const std::string& path);
  // "Save image . . .": asks for a GIF file name and writes the chart there.
  void SaveImage();

  const std::string& LastOpenDir() const { return last_open_dir_; }
  const std::string& LastSaveDir() const { return last_save_dir_; }
  // The path of the last file chosen to open (empty before the first).
  const std::string& OpenFileName() const { return open_file_name_; }
  const std::string& SamplesFolder() const { return samples_folder_; }
  bool SaveEnabled() const { return save_enabled_; }

 private:
  void SaveChartAsGif(const std::string& path);

  ProgramChart& chart_;
  ViewerUi& ui_;
  chart::Clipboard& clipboard_;
  std::string samples_folder_;
  std::string last_open_dir_;
  std::string last_save_dir_;
  std::string open_file_name_;
  bool save_enabled_ = false;
};

// The extension of a file name: from the last "." of the name, or empty.
std::string ExtensionOf(const std::string& path);

}  // namespace kep::viewer
