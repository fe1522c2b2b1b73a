#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/value_point.h"
#include "sequence/sequence_file.h"
#include "sequence/sequence_reader.h"
#include "viewer/file_stamp.h"
#include "viewer/load_job.h"
#include "viewer/page_sample.h"
#include "viewer/program_chart.h"
#include "viewer/readout.h"
#include "viewer/sequence_loader.h"
#include "viewer/view_history.h"

namespace kep::viewer {

// What LoadController::Poll found.
enum class LoadEnd {
  kNone,      // no load has ended
  kOpened,    // an opened file is in the chart
  kFollowed,  // the followed file's change was taken in, or failed (FollowError)
};

// The state of following the chart's file.
enum class FollowState {
  kOff,        // following is switched off
  kNoFile,     // no file was opened yet
  kFollowing,  // watching the file
  kVanished,   // the file is no longer found; the chart stays
};

// The points that reading appended bytes hands out, gathered over all its
// batches: remove `withdrawn` points from the end of the chart's series,
// then append `points`.
struct AppendedPoints {
  std::size_t withdrawn = 0;
  std::vector<ValuePoint> points;

  // Adds the next batch of the reader.
  void Take(const sequence::PointBatch& batch);
  sequence::PointBatch AsBatch() const { return {withdrawn, points}; }
};

// Loads sequence files into the chart on a worker thread and follows the
// chart's file while it changes. The chart and its series are touched only
// by the thread that owns the controller (the UI thread): the worker builds
// its points in objects of its own, and Poll puts them in place in one step.
// At most one load runs; a new open cancels the running one.
//
// The chart's file stays open with the reader that made its points. When it
// grows, only the bytes after the reader's end are read, by the same reader,
// and the points it hands out are applied to the chart's series, so an
// append costs in proportion to the bytes appended. A file that shrank, was
// replaced by another, changed without growing, came back after it vanished,
// or grew with a sampled page of what was read changed (PageSample) is read
// again in full.
class LoadController {
 public:
  // views learns of points that change without an open. The controller
  // loads into the chart's first series, or into series (one that
  // ProgramChart::AddSeries made), which an open then puts beside the
  // others instead of in their place.
  LoadController(ProgramChart& chart, ViewHistory& views, chart::LineSeries* series = nullptr);
  // Cancels a running load and waits for its worker.
  ~LoadController();
  LoadController(const LoadController&) = delete;
  LoadController& operator=(const LoadController&) = delete;

  // Runs on the worker's thread when its load has ended; the owner then has
  // Poll run on its own thread. Set it before the first load.
  std::function<void()> on_worker_event;

  // Starts loading path, after cancelling a load that runs. hooks'
  // remember_folder runs when the file is put in place; its other hooks are
  // not used, since the worker must not call into the windows.
  void Open(const std::string& path, LoadHooks hooks);
  // Stops the running load and frees what it made; the chart stays as it was.
  void Cancel();
  bool Loading() const { return read_job_ || append_job_; }
  // True while the running load reads a whole file (an open or a reload).
  bool ReadingWholeFile() const { return read_job_ != nullptr; }
  bool Opening() const { return read_job_ && !reloading_; }
  LoadProgress Progress() const;
  // The file the running load reads.
  const std::string& LoadingPath() const { return job_path_; }

  // Puts the result of a load that has ended in place and says what ended.
  // An opened file's error is raised after the steps of the open it reached;
  // a failed load of the followed file leaves the chart and sets FollowError.
  LoadEnd Poll();
  // Waits for the running load to end, then polls.
  LoadEnd Wait();

  // ---- following ----
  void SetFollowing(bool on);
  bool Following() const { return following_; }
  FollowState State() const;
  const std::string& FollowedPath() const { return followed_path_; }
  // Looks at the followed file now. One that changed is read in the
  // background (Poll takes the result in); one that vanished is marked so
  // and read when it comes back. While a load runs nothing happens: the owner
  // looks again once it has ended.
  void CheckFile();
  // Why the last load of the followed file failed; empty when it worked.
  const std::string& FollowError() const { return follow_error_; }
  // The points in the chart.
  const PointSummary& Summary() const { return summary_; }
  // The reader whose points the chart shows, for its line index; null while
  // none does or an append holds it.
  const sequence::SequenceReader* Reader() const;
  // Where a readout finds the lines of the chart's points: the file, its
  // reader and the file as they were read from it. Nothing while there is no
  // reader or an append holds it (the worker is changing it).
  std::optional<ReadoutSource> LineSource() const;

 private:
  // What reading a whole file hands back.
  struct WholeRead {
    std::unique_ptr<LoadedSequence> loaded;
    FileStamp stamp;   // the file as the read found it
    PageSample pages;  // the bytes the reader took, as they were read
  };
  // What reading the bytes appended to the followed file hands back: the
  // file and the reader that the job took, gone on from their end, and the
  // points the reader handed out meanwhile.
  struct AppendRead {
    std::unique_ptr<sequence::SequenceFile> file;
    std::unique_ptr<sequence::SequenceReader> reader;
    AppendedPoints appended;
    FileStamp stamp;         // the file as the read found it
    PageSample pages;        // the bytes the reader took, as they were read
    bool rewritten = false;  // the bytes the reader took had changed: nothing was read
  };

  void StartRead(bool reload, const std::string& path);
  void StartAppend();
  // Keeps the file and reader of a load whose points the chart now shows.
  void Keep(LoadedSequence& loaded, WholeRead& read);
  LoadEnd FinishOpen(WholeRead& read);
  LoadEnd FinishReload(WholeRead& read);
  LoadEnd FinishAppend(AppendRead read);
  // A load of the followed file failed: the chart stays as it was.
  LoadEnd FollowFailed(const std::exception_ptr& failure);
  // Closes the followed file and drops its reader: the next change reads
  // the file in full.
  void LetGoOfFile();
  void PointsChanged();

  ProgramChart& chart_;
  ViewHistory& views_;
  chart::LineSeries& series_;
  bool beside_ = false;  // series_ is an added series
  // The running load, at most one of the two. The worker touches only what
  // its job owns; while an append runs, the job holds the followed file and
  // its reader, and followed_file_ and followed_reader_ are empty.
  std::unique_ptr<LoadJob<WholeRead>> read_job_;
  std::unique_ptr<LoadJob<AppendRead>> append_job_;
  bool reloading_ = false;  // read_job_ reads the followed file again rather than opening one
  std::string job_path_;
  LoadHooks open_hooks_;
  FileStamp seen_stamp_;  // the file as the look that started the job saw it

  bool following_ = true;
  std::string followed_path_;
  FileStamp followed_stamp_;  // the file as the chart shows it
  std::unique_ptr<sequence::SequenceFile> followed_file_;
  std::unique_ptr<sequence::SequenceReader> followed_reader_;
  PageSample followed_pages_;  // the bytes followed_reader_ took, as they were read
  std::string follow_error_;
  PointSummary summary_;
};

}  // namespace kep::viewer
