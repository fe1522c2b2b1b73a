#include "viewer/load_controller.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

#include "common/error.h"
#include "viewer/messages.h"

namespace kep::viewer {

namespace {

std::string MessageOf(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return {};
  }
}

}  // namespace

void AppendedPoints::Take(const sequence::PointBatch& batch) {
  // Withdrawn points come off the points gathered here first, and off the
  // chart's series for the rest.
  const std::size_t here = std::min(batch.withdrawn, points.size());
  points.resize(points.size() - here);
  withdrawn += batch.withdrawn - here;
  points.insert(points.end(), batch.points.begin(), batch.points.end());
}

LoadController::LoadController(ProgramChart& chart, ViewHistory& views, chart::LineSeries* series)
    : chart_(chart),
      views_(views),
      series_(series != nullptr ? *series : chart.Series()),
      beside_(series != nullptr) {}

LoadController::~LoadController() { Cancel(); }

void LoadController::Open(const std::string& path, LoadHooks hooks) {
  Cancel();
  open_hooks_ = std::move(hooks);
  StartRead(false, path);
}

LoadProgress LoadController::Progress() const {
  if (read_job_) return read_job_->Progress();
  if (append_job_) return append_job_->Progress();
  return {};
}

void LoadController::StartRead(bool reload, const std::string& path) {
  reloading_ = reload;
  job_path_ = path;
  read_job_ = std::make_unique<LoadJob<WholeRead>>(
      // The column is the open's, also when the followed file is read again.
      [path, column = open_hooks_.column](LoadContext& context) {
        // The modification time is taken before the read, so that a change
        // made while it runs is seen at the next look.
        FileStamp stamp = StampOf(path);
        context.SetTotalBytes(stamp.size);
        LoadHooks hooks;
        hooks.progress = [&context](std::uint64_t bytes, std::uint64_t lines) {
          context.SetProgress(bytes, lines);
        };
        hooks.column = column;
        WholeRead read;
        read.loaded = std::make_unique<LoadedSequence>(ReadSequence(path, hooks, context.StopToken()));
        const sequence::SequenceFile& file = *read.loaded->file;
        // Another file took the name between the look and the open: its
        // time is unknown, and a time that matches none has it read again.
        if (stamp.device != file.Device() || stamp.inode != file.Inode()) stamp.modified_ns = -1;
        stamp.exists = true;
        stamp.size = file.SizeAtOpen();
        stamp.device = file.Device();
        stamp.inode = file.Inode();
        read.stamp = stamp;
        read.pages = PageSample::Of(file, read.loaded->reader->BytesConsumed());
        return read;
      },
      on_worker_event);
}

void LoadController::StartAppend() {
  job_path_ = followed_path_;
  // The job takes the file and its reader, and hands them back when it ends.
  append_job_ = std::make_unique<LoadJob<AppendRead>>(
      [file = std::move(followed_file_), reader = std::move(followed_reader_),
       pages = std::move(followed_pages_)](LoadContext& context) mutable {
        try {
          AppendRead read;
          // Read up to the size seen now; what comes later is the next append.
          const FileStamp stamp = StampOf(file->Descriptor());
          // A file truncated and written anew past its old size, or rewritten
          // in place while it grew, looks grown; the pages read before tell
          // it from one that was appended to.
          read.rewritten = !pages.Matches(*file);
          if (!read.rewritten) {
            file->ReadInto(
                *reader, [&read](const sequence::PointBatch& batch) { read.appended.Take(batch); },
                stamp.size, context.StopToken());
            read.stamp = stamp;
            read.pages = PageSample::Of(*file, reader->BytesConsumed());
          }
          read.file = std::move(file);
          read.reader = std::move(reader);
          return read;
        } catch (const std::bad_alloc&) {
          throw Error(std::string(messages::kOutOfMemory));
        }
      },
      on_worker_event);
}

void LoadController::Cancel() {
  // The worker stops at its next piece; waiting for it keeps the promise
  // that nothing of the load is left behind. A cancelled append takes the
  // followed file and its reader with it, since the reader went past points
  // that never reached the chart: the next change reads the file in full.
  if (!Loading()) return;
  read_job_.reset();
  append_job_.reset();
  ReturnFreedMemory();
}

LoadEnd LoadController::Wait() {
  if (read_job_) read_job_->Wait();
  if (append_job_) append_job_->Wait();
  return Poll();
}

LoadEnd LoadController::Poll() {
  if (append_job_) {
    if (!append_job_->Ended()) return LoadEnd::kNone;
    const std::unique_ptr<LoadJob<AppendRead>> job = std::move(append_job_);
    if (const std::exception_ptr failure = job->Failure()) return FollowFailed(failure);
    return FinishAppend(job->TakeResult());
  }
  if (!read_job_ || !read_job_->Ended()) return LoadEnd::kNone;
  const std::unique_ptr<LoadJob<WholeRead>> job = std::move(read_job_);
  const std::exception_ptr failure = job->Failure();
  if (failure) {
    if (!reloading_) std::rethrow_exception(failure);
    return FollowFailed(failure);
  }
  WholeRead read = job->TakeResult();
  // Once put in place, read.loaded holds the points the chart showed before.
  LoadEnd end = LoadEnd::kNone;
  try {
    end = reloading_ ? FinishReload(read) : FinishOpen(read);
  } catch (...) {
    read.loaded.reset();
    ReturnFreedMemory();
    throw;
  }
  read.loaded.reset();
  ReturnFreedMemory();
  return end;
}

LoadEnd LoadController::FollowFailed(const std::exception_ptr& failure) {
  // The file is looked at again once it changes again, and read in full
  // then. Its lines are no longer those of the chart's points, so the open
  // file is let go: the readout shows the points without text.
  followed_stamp_ = seen_stamp_;
  follow_error_ = MessageOf(failure);
  LetGoOfFile();
  return LoadEnd::kFollowed;
}

void LoadController::Keep(LoadedSequence& loaded, WholeRead& read) {
  followed_path_ = loaded.path;
  followed_stamp_ = read.stamp;
  followed_file_ = std::move(loaded.file);
  followed_reader_ = std::move(loaded.reader);
  followed_pages_ = std::move(read.pages);
  summary_ = loaded.summary;
  follow_error_.clear();
}

LoadEnd LoadController::FinishOpen(WholeRead& read) {
  LoadedSequence& loaded = *read.loaded;
  try {
    if (beside_) {
      PutAlongside(loaded, chart_, series_);
    } else {
      PutInPlace(loaded, chart_, open_hooks_);
    }
  } catch (...) {
    // A text too short to choose the number column fails after the chart was
    // cleared for the file, which is then followed: its points show once
    // its second line arrives.
    if (loaded.column_error) Keep(loaded, read);
    throw;
  }
  Keep(loaded, read);
  return LoadEnd::kOpened;
}

LoadEnd LoadController::FinishReload(WholeRead& read) {
  LoadedSequence& loaded = *read.loaded;
  Keep(loaded, read);
  // No point leaves the reader before the number column is chosen, so the
  // chart shows none then, as an open of the file would.
  if (loaded.column_error) {
    series_.ClearPoints();
    follow_error_ = MessageOf(loaded.column_error);
  } else {
    series_.SwapPoints(*loaded.points);
  }
  PointsChanged();
  return LoadEnd::kFollowed;
}

LoadEnd LoadController::FinishAppend(AppendRead read) {
  if (read.rewritten || read.stamp.size < read.reader->BytesConsumed()) {
    // The file was rewritten, or shrank after the look that saw it grow:
    // nothing was read, and a time that matches no look has it read in full
    // at the next one. The file and its reader are dropped with read.
    followed_stamp_.modified_ns = -1;
    return LoadEnd::kFollowed;
  }
  ApplyBatch(series_, read.appended.AsBatch());
  followed_file_ = std::move(read.file);
  followed_reader_ = std::move(read.reader);
  followed_stamp_ = read.stamp;
  followed_pages_ = std::move(read.pages);
  summary_ = SummaryOf(*followed_reader_);
  follow_error_.clear();
  PointsChanged();
  return LoadEnd::kFollowed;
}

void LoadController::LetGoOfFile() {
  followed_reader_.reset();
  followed_file_.reset();
}

void LoadController::PointsChanged() {
  views_.PointsChanged();
  chart_.Chart().InvalidateChart();
}

const sequence::SequenceReader* LoadController::Reader() const { return followed_reader_.get(); }

std::optional<ReadoutSource> LoadController::LineSource() const {
  const sequence::SequenceReader* reader = Reader();
  if (!reader || !followed_file_) return std::nullopt;
  return ReadoutSource{followed_path_, followed_file_.get(), reader, followed_stamp_};
}

void LoadController::SetFollowing(bool on) {
  following_ = on;
  if (on) {
    CheckFile();
  } else if (append_job_ || (read_job_ && reloading_)) {
    Cancel();
  }
}

FollowState LoadController::State() const {
  if (!following_) return FollowState::kOff;
  if (followed_path_.empty()) return FollowState::kNoFile;
  return followed_stamp_.exists ? FollowState::kFollowing : FollowState::kVanished;
}

void LoadController::CheckFile() {
  if (!following_ || followed_path_.empty() || Loading()) return;
  const FileStamp now = StampOf(followed_path_);
  switch (CompareStamps(followed_stamp_, now)) {
    case FileChange::kNone:
      return;
    case FileChange::kVanished:
      // The chart stays; the file is let go, so that its space is freed.
      followed_stamp_ = now;
      LetGoOfFile();
      return;
    case FileChange::kGrown:
      seen_stamp_ = now;
      if (followed_reader_) {
        StartAppend();
      } else {
        StartRead(true, followed_path_);
      }
      return;
    case FileChange::kRewritten:
      seen_stamp_ = now;
      StartRead(true, followed_path_);
      return;
  }
}

}  // namespace kep::viewer
