#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "viewer/program_chart.h"
#include "viewer/viewer_commands.h"

class QAction;
class QMenu;

namespace kep::app {

class AboutBox;
class ChartWidget;
class QtClipboard;
class QtViewerUi;
class ReformatDialog;

// The main window: the chart under a menu bar with the File, View and About
// menus. Errors of a command are shown in a message box and the window goes
// on. The window's size, the last folders and the recent files are kept in
// the application's QSettings from one run to the next.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // samples_folder: where the open dialog starts before a file was opened.
  // The charts' value labels use label_format's separators.
  explicit MainWindow(std::string samples_folder, chart::NumberFormat label_format = {});
  ~MainWindow() override;

  // Opens a file as if it had been chosen in the open dialog.
  void OpenFile(const std::string& path);

  viewer::ViewerCommands& Commands() { return *commands_; }
  chart::Chart& Chart1() { return program_chart_.Chart(); }
  ChartWidget& ChartView() { return *chart_widget_; }
  QAction& SaveImageAction() { return *save_image1_; }
  QMenu& OpenRecentMenu() { return *open_recent1_; }
  ReformatDialog& Form2() { return *form2_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildFileMenu();
  void BuildViewMenu();
  void ShowRecentFiles(const std::vector<std::string>& files);
  // Enables the commands that depend on the file and on the view history.
  void UpdateActions();
  void RestoreSettings();
  void SaveSettings() const;

  void Open1Click();
  void SaveImage1Click();
  void About2Click();
  template <typename Command>
  void RunCommand(Command&& command);

  viewer::ProgramChart program_chart_;
  ChartWidget* chart_widget_ = nullptr;
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
};

}  // namespace kep::app
