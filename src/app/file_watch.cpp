#include "app/file_watch.h"

#include <QFile>
#include <QFileInfo>

#include "viewer/file_stamp.h"
#include "viewer/load_controller.h"

namespace kep::app {

namespace {

constexpr int kPollMilliseconds = 1000;
constexpr int kGatherMilliseconds = 100;

}  // namespace

FileWatch::FileWatch(viewer::LoadController& loads, std::function<void()> after_look, QObject* parent)
    : QObject(parent), loads_(loads), after_look_(std::move(after_look)) {
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { LookSoon(); });
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { LookSoon(); });
  gather_.setSingleShot(true);
  gather_.setInterval(kGatherMilliseconds);
  connect(&gather_, &QTimer::timeout, this, [this] { LookNow(); });
  poll_.setInterval(kPollMilliseconds);
  connect(&poll_, &QTimer::timeout, this, [this] { LookNow(); });
  poll_.start();
}

void FileWatch::Rewatch() {
  const QString path = QFile::decodeName(QByteArray::fromStdString(loads_.FollowedPath()));
  const QString folder = QFileInfo(path).absolutePath();
  const QStringList wanted = path.isEmpty() ? QStringList() : QStringList{path, folder};
  const QStringList watched = watcher_.files() + watcher_.directories();
  for (const QString& old : watched) {
    if (!wanted.contains(old)) watcher_.removePath(old);
  }
  // A file that vanished lost its watch, and one replaced under its name
  // keeps a watch on the file that went: the file is watched anew once it
  // is there. The folder's watch tells when that happens.
  const std::uint64_t inode = viewer::StampOf(loads_.FollowedPath()).inode;
  if (inode != watched_inode_ && watched.contains(path)) watcher_.removePath(path);
  watched_inode_ = inode;
  for (const QString& item : wanted) {
    if (!watcher_.files().contains(item) && !watcher_.directories().contains(item) &&
        QFileInfo::exists(item)) {
      watcher_.addPath(item);
    }
  }
}

void FileWatch::LookSoon() {
  if (!gather_.isActive()) gather_.start();
}

void FileWatch::LookNow() {
  gather_.stop();
  loads_.CheckFile();
  Rewatch();
  if (after_look_) after_look_();
}

}  // namespace kep::app
