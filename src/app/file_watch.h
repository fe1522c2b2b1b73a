#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace kep::viewer {
class LoadController;
}

namespace kep::app {

// Has the load controller look at the followed file when the file system
// reports a change to it or its folder, and once a second for file systems
// that report nothing. Reports that come in bursts are gathered into at most
// ten looks a second.
class FileWatch : public QObject {
  Q_OBJECT

 public:
  // after_look runs after every look.
  FileWatch(viewer::LoadController& loads, std::function<void()> after_look, QObject* parent = nullptr);

  // Watches the followed file, after it changed or came back.
  void Rewatch();
  // Looks at the file now.
  void LookNow();
  // Looks within a tenth of a second, once for any number of calls.
  void LookSoon();

 private:
  viewer::LoadController& loads_;
  std::function<void()> after_look_;
  QFileSystemWatcher watcher_;
  QTimer poll_;
  QTimer gather_;
  std::uint64_t watched_inode_ = 0;
};

}  // namespace kep::app
