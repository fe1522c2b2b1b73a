#pragma once

#include <QMainWindow>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "viewer/program_chart.h"
#include "viewer/viewer_commands.h"

class QAction;
class QFrame;
class QMenu;

namespace kep::app {

class AboutBox;
class ChartWidget;
class ElidedLabel;
class FileWatch;
class LoadStatus;
class QtClipboard;
class QtViewerUi;
class ReadoutStatus;
class ReformatDialog;

// The main window: the chart under a menu bar with the File, View and About
// menus, and a status bar. Errors of a command are shown in a message box
// and the window goes on. Files load in the background and are followed
// while they change. The window's size, the last folders, the recent files
// and the follow choice are kept in the application's QSettings from one
// run to the next.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // samples_folder: where the open dialog starts before a file was opened.
  // The charts' value labels use label_format's separators.
  explicit MainWindow(std::string samples_folder, chart::NumberFormat label_format = {});
  ~MainWindow() override;

  // Starts opening a file as if it had been chosen in the open dialog.
  void OpenFile(const std::string& path);
  // Starts adding a file beside the ones shown, as "Add sequence . . ." does.
  void AddFile(const std::string& path);

  viewer::ViewerCommands& Commands() { return *commands_; }
  chart::Chart& Chart1() { return program_chart_.Chart(); }
  ChartWidget& ChartView() { return *chart_widget_; }
  QAction& SaveImageAction() { return *save_image1_; }
  QMenu& OpenRecentMenu() { return *open_recent1_; }
  ReformatDialog& Form2() { return *form2_; }
  LoadStatus& Status() { return *load_status_; }
  FileWatch& Watch() { return *file_watch_; }
  QAction& FollowAction() { return *follow_file_changes1_; }
  QMenu& SequencesMenu() { return *sequences1_; }
  QAction& GrowthAction() { return *growth1_; }
  // The growth readout in the status bar (hidden while Growth is off).
  ElidedLabel& GrowthLabel() { return *growth_label_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildFileMenu();
  void BuildViewMenu();
  // Fills View, "Sequences" with the sequences shown.
  void ListSequences();
  // Shows the growth of each sequence shown over the points in view, while
  // View, "Growth" is on (by default with two or more sequences).
  void UpdateGrowth();
  void BuildImageScaleMenu(QMenu& file1);
  void ShowRecentFiles(const std::vector<std::string>& files);
  // Enables the commands that depend on the file and on the view history.
  void UpdateActions();
  void RestoreSettings();
  void SaveSettings() const;

  void Open1Click();
  void SaveImage1Click();
  void About2Click();
  // Loading and following: the status bar, the file watch, the View menu's
  // follow item, and taking in a load that ended.
  void CreateLoadParts();
  void LoadEnded();
  template <typename Command>
  void RunCommand(Command&& command);

  viewer::ProgramChart program_chart_;
  ChartWidget* chart_widget_ = nullptr;
  ReadoutStatus* readout1_ = nullptr;
  QAction* save_image1_ = nullptr;
  QMenu* open_recent1_ = nullptr;
  QAction* reload1_ = nullptr;
  QAction* copy_chart1_ = nullptr;
  QAction* back1_ = nullptr;
  QAction* forward1_ = nullptr;
  std::unique_ptr<ReformatDialog> form2_;
  std::unique_ptr<QtViewerUi> ui_;
  std::unique_ptr<QtClipboard> clipboard_;
  std::unique_ptr<viewer::ViewerCommands> commands_;
  QAction* follow_file_changes1_ = nullptr;
  QMenu* image_scale_items_ = nullptr;
  LoadStatus* load_status_ = nullptr;
  FileWatch* file_watch_ = nullptr;
  QMenu* sequences1_ = nullptr;
  QAction* growth1_ = nullptr;
  std::optional<bool> growth_chosen_;  // Growth as the user set it; unset: by the sequence count
  ElidedLabel* growth_label_ = nullptr;
  QFrame* growth_separator_ = nullptr;
  bool growth_update_pending_ = false;
};

}  // namespace kep::app
