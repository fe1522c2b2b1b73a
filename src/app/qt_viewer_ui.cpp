#include "app/qt_viewer_ui.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <filesystem>
#include <new>

#include "app/local_path.h"
#include "app/messages.h"
#include "app/reformat_dialog.h"
#include "common/error.h"

namespace kep::app {

namespace {

// The filter as the dialog takes it: Qt matches the patterns in the last
// parentheses and, with HideNameFilterDetails, shows the text before them.
// So the description shows as it stands ("All files (*.*)") while its own
// patterns match ("*", which unlike "*.*" also matches names without an
// extension).
QString FilterText(const viewer::FileFilter& filter) {
  QStringList patterns;
  for (const std::string& pattern : filter.patterns) patterns << QString::fromStdString(pattern);
  return QString::fromStdString(filter.description) + " (" + patterns.join(u' ') + ")";
}

// A file dialog that also accepts an existing file whose name is not UTF-8:
// Qt shows such a name with U+FFFD and, looking for that text on disk, would
// refuse it as missing.
class FileDialog : public QFileDialog {
 public:
  using QFileDialog::QFileDialog;

  void accept() override {
    const QStringList files = selectedFiles();
    if (fileMode() == QFileDialog::ExistingFile && files.size() == 1 &&
        files.first().contains(QChar::ReplacementCharacter) &&
        std::filesystem::is_regular_file(LocalPath(files.first()))) {
      QDialog::accept();
      return;
    }
    QFileDialog::accept();
  }
};

}  // namespace

QtViewerUi::QtViewerUi(QWidget& main_window, ReformatDialog& reformat_dialog)
    : main_window_(main_window), reformat_dialog_(reformat_dialog) {}

std::optional<std::string> QtViewerUi::RunFileDialog(const viewer::FileDialogRequest& request, bool save) {
  FileDialog dialog(&main_window_, QString::fromStdString(request.title));
  QStringList filters;
  for (const viewer::FileFilter& filter : request.filters) filters << FilterText(filter);
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setNameFilters(filters);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.first());
  if (!request.initial_folder.empty()) dialog.setDirectory(QFile::decodeName(request.initial_folder.c_str()));
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A name without extension gets the one of the chosen file type.
    const auto use_suffix_of = [&dialog, &request](qsizetype filter) {
      const std::vector<std::string>& patterns = request.filters[static_cast<std::size_t>(filter)].patterns;
      if (!patterns.empty() && patterns.front().starts_with("*.")) {
        dialog.setDefaultSuffix(QString::fromStdString(patterns.front().substr(2)));
      }
    };
    if (!filters.isEmpty()) use_suffix_of(0);
    // The dialog names the chosen type by the text it shows, the description.
    // The connection outlives this block, so it keeps its own copy of use_suffix_of.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&request, use_suffix_of](const QString& filter) {
                       for (std::size_t i = 0; i < request.filters.size(); ++i) {
                         if (QString::fromStdString(request.filters[i].description) == filter)
                           use_suffix_of(static_cast<qsizetype>(i));
                       }
                     });
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, true);
  }
  if (!request.file_name.empty()) dialog.selectFile(QFile::decodeName(request.file_name.c_str()));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return LocalPath(dialog.selectedFiles().first());
}

std::optional<std::string> QtViewerUi::RunOpenDialog(const viewer::FileDialogRequest& request) {
  return RunFileDialog(request, false);
}

std::optional<std::string> QtViewerUi::RunSaveDialog(const viewer::FileDialogRequest& request) {
  return RunFileDialog(request, true);
}

void QtViewerUi::ShowReformatNotice() { reformat_dialog_.ShowNow(); }

void QtViewerUi::HideReformatNotice() { reformat_dialog_.hide(); }

void QtViewerUi::ShowError(const std::string& message) {
  ShowErrorBox(&main_window_, QString::fromStdString(message));
}

void QtViewerUi::SetSaveEnabled(bool enabled) {
  if (on_save_enabled) on_save_enabled(enabled);
}

void QtViewerUi::RecentFilesChanged(const std::vector<std::string>& files) {
  if (on_recent_files_changed) on_recent_files_changed(files);
}

void ShowErrorBox(QWidget* parent, const QString& message) {
  QMessageBox box(QMessageBox::Critical, QString::fromUtf8(messages::kApplicationTitle), message,
                  QMessageBox::Ok, parent);
  box.exec();
}

void RunShowingErrors(QWidget* parent, const std::function<void()>& action) {
  const auto show = [parent](std::string_view message) {
    ShowErrorBox(parent, QString::fromStdString(DisplayMessage(message)));
  };
  try {
    action();
  } catch (const Error& error) {
    show(error.what());
  } catch (const std::bad_alloc&) {
    show(messages::kOutOfMemory);
  } catch (const std::exception& error) {
    show(error.what());
  }
}

}  // namespace kep::app
