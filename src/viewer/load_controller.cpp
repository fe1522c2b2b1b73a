#include "viewer/load_controller.h"

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

#include "common/error.h"
#include "viewer/messages.h"

namespace kep::viewer {

namespace {

// How many bytes before the end of what was read an append compares: one
// page, read from the page cache.
constexpr std::size_t kTailBytes = 4096;

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

LoadController::LoadController(ProgramChart& chart, ViewHistory& views) : chart_(chart), views_(views) {}

LoadController::~LoadController() { Cancel(); }

void LoadController::Open(const std::string& path, LoadHooks hooks) {
  Cancel();
  open_hooks_ = std::move(hooks);
  StartRead(JobKind::kOpen, path);
}

void LoadController::StartRead(JobKind kind, const std::string& path) {
  job_kind_ = kind;
  job_path_ = path;
  job_ = std::make_unique<LoadJob>(
      // The column is the open's, also when the followed file is read again.
      [this, path, column = open_hooks_.column](LoadContext& context) {
        // The modification time is taken before the read, so that a change
        // made while it runs is seen at the next look.
        FileStamp stamp = StampOf(path);
        context.SetTotalBytes(stamp.size);
        LoadHooks hooks;
        hooks.progress = [&context](std::uint64_t bytes, std::uint64_t lines) {
          context.SetProgress(bytes, lines);
        };
        hooks.column = column;
        auto loaded = std::make_unique<LoadedSequence>(ReadSequence(path, hooks, context.StopToken()));
        const sequence::SequenceFile& file = *loaded->file;
        // Another file took the name between the look and the open: its
        // time is unknown, and a time that matches none has it read again.
        if (stamp.device != file.Device() || stamp.inode != file.Inode()) stamp.modified_ns = -1;
        stamp.exists = true;
        stamp.size = file.SizeAtOpen();
        stamp.device = file.Device();
        stamp.inode = file.Inode();
        job_stamp_ = stamp;
        job_tail_ = file.BytesBefore(loaded->reader->BytesConsumed(), kTailBytes);
        job_loaded_ = std::move(loaded);
      },
      on_worker_event);
}

void LoadController::StartAppend() {
  job_kind_ = JobKind::kAppend;
  job_path_ = followed_path_;
  job_ = std::make_unique<LoadJob>(
      [this](LoadContext& context) {
        try {
          // Read up to the size seen now; what comes later is the next append.
          const FileStamp stamp = StampOf(followed_file_->Descriptor());
          // A file truncated and written anew past its old size looks grown;
          // the bytes before the old end tell it from one that was appended to.
          const std::uint64_t start = followed_reader_->BytesConsumed();
          job_rewritten_ = followed_file_->BytesBefore(start, followed_tail_.size()) != followed_tail_;
          if (job_rewritten_) return;
          followed_file_->ReadInto(
              *followed_reader_, [this](const sequence::PointBatch& batch) { job_appended_.Take(batch); },
              stamp.size, context.StopToken());
          job_stamp_ = stamp;
          job_tail_ = followed_file_->BytesBefore(followed_reader_->BytesConsumed(), kTailBytes);
        } catch (const std::bad_alloc&) {
          throw Error(std::string(messages::kOutOfMemory));
        }
      },
      on_worker_event);
}

void LoadController::Cancel() {
  if (!job_) return;
  // The worker stops at its next piece; waiting for it keeps the promise
  // that nothing of the load is left behind.
  job_.reset();
  job_loaded_.reset();
  if (job_kind_ == JobKind::kAppend) {
    // The reader went past points that never reached the chart: the next
    // change reads the file in full.
    LetGoOfFile();
  }
  ReturnFreedMemory();
}

LoadEnd LoadController::Wait() {
  if (job_) job_->Wait();
  return Poll();
}

LoadEnd LoadController::Poll() {
  if (!job_ || !job_->Ended()) return LoadEnd::kNone;
  job_->Wait();
  const std::exception_ptr failure = job_->Failure();
  job_.reset();
  if (failure) {
    if (job_kind_ == JobKind::kOpen) std::rethrow_exception(failure);
    // The file is looked at again once it changes again.
    followed_stamp_ = seen_stamp_;
    follow_error_ = MessageOf(failure);
    if (job_kind_ == JobKind::kAppend) LetGoOfFile();
    return LoadEnd::kFollowed;
  }
  if (job_kind_ == JobKind::kAppend) return FinishAppend();
  // Once put in place, loaded holds the points the chart showed before.
  std::unique_ptr<LoadedSequence> loaded = std::move(job_loaded_);
  LoadEnd end = LoadEnd::kNone;
  try {
    end = job_kind_ == JobKind::kOpen ? FinishOpen(*loaded) : FinishReload(*loaded);
  } catch (...) {
    loaded.reset();
    ReturnFreedMemory();
    throw;
  }
  loaded.reset();
  ReturnFreedMemory();
  return end;
}

void LoadController::Keep(LoadedSequence& loaded) {
  followed_path_ = loaded.path;
  followed_stamp_ = job_stamp_;
  followed_file_ = std::move(loaded.file);
  followed_reader_ = std::move(loaded.reader);
  followed_tail_ = std::move(job_tail_);
  summary_ = loaded.summary;
  follow_error_.clear();
}

LoadEnd LoadController::FinishOpen(LoadedSequence& loaded) {
  try {
    PutInPlace(loaded, chart_, open_hooks_);
  } catch (...) {
    // A text too short to choose the number column fails after the chart was
    // cleared for the file, which is then followed: its points show once
    // its second line arrives.
    if (loaded.column_error) Keep(loaded);
    throw;
  }
  Keep(loaded);
  return LoadEnd::kOpened;
}

LoadEnd LoadController::FinishReload(LoadedSequence& loaded) {
  Keep(loaded);
  // No point leaves the reader before the number column is chosen, so the
  // chart shows none then, as an open of the file would.
  if (loaded.column_error) {
    chart_.Series().ClearPoints();
    follow_error_ = MessageOf(loaded.column_error);
  } else {
    chart_.Series().SwapPoints(*loaded.points);
  }
  PointsChanged();
  return LoadEnd::kFollowed;
}

LoadEnd LoadController::FinishAppend() {
  const sequence::SequenceReader& reader = *followed_reader_;
  if (job_rewritten_ || job_stamp_.size < reader.BytesConsumed()) {
    // The file was rewritten, or shrank after the look that saw it grow:
    // nothing was read, and a time that matches no look has it read in full
    // at the next one.
    followed_stamp_.modified_ns = -1;
    LetGoOfFile();
    return LoadEnd::kFollowed;
  }
  ApplyBatch(chart_.Series(), job_appended_.AsBatch());
  job_appended_ = {};
  followed_stamp_ = job_stamp_;
  followed_tail_ = std::move(job_tail_);
  summary_ = SummaryOf(reader);
  follow_error_.clear();
  PointsChanged();
  return LoadEnd::kFollowed;
}

void LoadController::LetGoOfFile() {
  followed_reader_.reset();
  followed_file_.reset();
  job_appended_ = {};
}

void LoadController::PointsChanged() {
  views_.PointsChanged();
  chart_.Chart().InvalidateChart();
}

const sequence::SequenceReader* LoadController::Reader() const {
  return job_ && job_kind_ == JobKind::kAppend ? nullptr : followed_reader_.get();
}

std::optional<ReadoutSource> LoadController::LineSource() const {
  const sequence::SequenceReader* reader = Reader();
  if (!reader || !followed_file_) return std::nullopt;
  return ReadoutSource{followed_path_, followed_file_.get(), reader, followed_stamp_};
}

void LoadController::SetFollowing(bool on) {
  following_ = on;
  if (on) {
    CheckFile();
  } else if (job_ && job_kind_ != JobKind::kOpen) {
    Cancel();
  }
}

FollowState LoadController::State() const {
  if (!following_) return FollowState::kOff;
  if (followed_path_.empty()) return FollowState::kNoFile;
  return followed_stamp_.exists ? FollowState::kFollowing : FollowState::kVanished;
}

void LoadController::CheckFile() {
  if (!following_ || followed_path_.empty() || job_) return;
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
        StartRead(JobKind::kReload, followed_path_);
      }
      return;
    case FileChange::kRewritten:
      seen_stamp_ = now;
      StartRead(JobKind::kReload, followed_path_);
      return;
  }
}

}  // namespace kep::viewer
