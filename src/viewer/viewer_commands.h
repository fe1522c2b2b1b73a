#pragma once

#include <memory>
#include <string>
#include <vector>

#include "chart/clipboard.h"
#include "viewer/image_file.h"
#include "viewer/load_controller.h"
#include "viewer/program_chart.h"
#include "viewer/readout.h"
#include "viewer/recent_files.h"
#include "viewer/view_history.h"
#include "viewer/viewer_ui.h"

namespace kep::viewer {

// The main window's commands without the window: opening a sequence file
// into the chart, saving the chart as a GIF or PNG image or copying it, and
// going through the views of the chart, with the folders and the recent
// files they remember. They talk to dialogs, notices and the clipboard through ViewerUi
// and Clipboard, so the Qt application and tests drive the same steps.
// Errors propagate to the caller, which shows them.
//
// A file is loaded in the background: OpenFile starts the load, and
// FinishLoad, run on the same thread once the worker signals (Loads()'s
// on_worker_event), puts it in place, or raises its error.
class ViewerCommands {
 public:
  // samples_folder: where the open dialog starts until a file was opened.
  ViewerCommands(ProgramChart& chart, ViewerUi& ui, chart::Clipboard& clipboard, std::string samples_folder);

  // "Open sequence . . .": asks for a file and starts loading it; a cancel does nothing.
  void OpenSequence();
  // Starts loading path as if it had been chosen in the open dialog; a load
  // that runs is cancelled. The reformat notice shows while an "SQ" file
  // loads. A load that succeeds puts the file first among the recent files.
  void OpenFile(const std::string& path);
  // An entry of the recent files: a file that no longer exists is removed
  // from them with a message; any other is opened.
  void OpenRecent(const std::string& path);
  // Reads the last file chosen again, and the added ones; nothing before
  // the first.
  void Reload();
  // Stops the running loads: the chart stays as it was.
  void CancelLoad();

  // ---- several sequences ----
  // "Add sequence . . .": asks for a file and starts loading it beside the
  // sequences shown; a cancel does nothing.
  void AddSequence();
  // Starts loading path beside the sequences shown, in a series of its own
  // that is followed as the first file is; with no file opened yet, opens
  // it. Raises "At most 16 sequences can be shown at once." and "The file
  // "%s" is already shown." before anything changes. A file that cannot be
  // read raises its error from FinishLoad and is not added.
  void AddFile(const std::string& path);
  // The sequences in the chart, the first one first.
  struct Sequence {
    std::string path;
    chart::LineSeries* series = nullptr;
    bool loading = false;  // its file is being read, and not yet shown
  };
  std::vector<Sequence> Sequences() const;
  // Shows or hides sequence index; the axes cover the ones shown.
  void SetSequenceShown(int index, bool shown);
  // Removes an added sequence (index 1 on) and stops following its file.
  void RemoveSequence(int index);
  // Has every added sequence look at its file, as Loads().CheckFile does
  // for the first; following goes on and off for all of them together.
  void CheckAddedFiles();
  // The load that reads a whole file now, for its progress: the first
  // file's, else an added one's; null while none does.
  const LoadController* WholeFileRead() const;
  void SetFollowing(bool on);
  // Takes in a load that has ended: an opened file is put in place and
  // painted, and saving is enabled; its error is raised.
  void FinishLoad();
  // Waits for the running load, then FinishLoad.
  void WaitForLoad();
  LoadController& Loads() { return loads_; }
  // "Term column": the word that holds the term in the files opened from
  // now on; the open file is read again with it.
  void SetTermColumn(sequence::TermColumn column);
  sequence::TermColumn TermColumn() const { return term_column_; }
  // The readout of the point under the mouse at the chart window's pixel
  // (x, y): the nearest point of the nearest sequence shown, with its line's
  // text while the chart shows the file as it is.
  std::optional<ReadoutPoint> ReadoutAt(int pixel_x, int pixel_y) const;
  // "Save image . . .": asks for a GIF, PNG, SVG or PDF file name and writes
  // the chart there, leaving the chart's capture on the clipboard.
  void SaveImage();
  // The scale of saved GIF and PNG images, 1 to kMaxImageScale: the chart
  // drawn that many times as large in each direction, and as sharp.
  static constexpr int kMaxImageScale = 4;
  int ImageScale() const { return image_scale_; }
  void SetImageScale(int scale);
  // Puts the chart's capture on the clipboard, as saving does.
  void CopyChart();

  // What an earlier run of the program remembered.
  void SetLastFolders(std::string open_dir, std::string save_dir);
  void SetRecentFiles(const std::vector<std::string>& files);

  const std::string& LastOpenDir() const { return last_open_dir_; }
  const std::string& LastSaveDir() const { return last_save_dir_; }
  // The path of the last file chosen to open (empty before the first).
  const std::string& OpenFileName() const { return open_file_name_; }
  const std::string& SamplesFolder() const { return samples_folder_; }
  bool SaveEnabled() const { return save_enabled_; }
  const std::vector<std::string>& RecentFileList() const { return recent_files_.Files(); }
  // Back, Forward and Reset view; the window reports its input events here.
  ViewHistory& Views() { return views_; }

 private:
  // A sequence added beside the first: its series and what loads it.
  struct Added {
    std::string path;
    chart::LineSeries* series = nullptr;
    std::unique_ptr<LoadController> loads;
    bool shown_once = false;  // its open has ended
  };

  void SaveChartImage(const std::string& path, output::ImageFormat format);
  // Starts loading the first sequence's file, keeping the added ones.
  void StartOpen(const std::string& path);
  // Takes in the loads of the added sequences that ended; an open that
  // failed removes its sequence and raises its error.
  void TakeInAdded(bool wait);
  void RemoveAdded(std::size_t i);
  void RemoveAllAdded();
  // Whether path names a file the chart shows or is loading.
  bool Shows(const std::string& path) const;
  void TakeInLoad(bool wait);
  void HideNotice();

  ProgramChart& chart_;
  ViewerUi& ui_;
  chart::Clipboard& clipboard_;
  std::string samples_folder_;
  std::string last_open_dir_;
  std::string last_save_dir_;
  std::string open_file_name_;
  bool save_enabled_ = false;
  int image_scale_ = 1;
  RecentFiles recent_files_;
  ViewHistory views_;
  std::string opening_;  // the path of the running open
  bool notice_shown_ = false;
  bool opening_cleared_chart_ = false;  // the running open has cleared the chart
  LoadController loads_;
  std::vector<Added> added_;
  sequence::TermColumn term_column_ = sequence::TermColumn::kAutomatic;
  mutable ReadoutCache readout_cache_;  // the line the last readout read
};

// Raises kep::FileError "Cannot create file "%s". It is the sequence file
// being read." when output names sequence_file itself: the same file, however
// it is reached (links followed, other hard links).
void RefuseToOverwriteSequence(const std::string& output, const std::string& sequence_file);

}  // namespace kep::viewer
