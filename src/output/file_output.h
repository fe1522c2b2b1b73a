#pragma once

#include <functional>
#include <string>

#include "output/output_stream.h"

namespace kep::output {

// Steps a test can take part in while a file is replaced.
struct ReplaceHooks {
  // Runs once the temporary file is completely written, just before it is
  // renamed over the target; receives the temporary file's path.
  std::function<void(const std::string& temporary_path)> before_rename;
};

// Writes a file through write_content as writing into it would be allowed,
// without ever touching a file other than the target:
// - A regular file, or a new name, gets a temporary file beside it, created
//   exclusively at mode 0600 and never through a link; the target's mode,
//   owner and group are set on it through its descriptor (set-uid and set-gid
//   only while owner and group stay), and it is renamed over the target after
//   the last byte is out. On any failure the temporary file is removed and the
//   target is left as it was. SIGINT and SIGTERM remove it too.
// - An existing regular file that a rename cannot replace (its folder is not
//   writable, it has other hard links, or it is a mount point) is truncated
//   and written in place; a failure there can leave it incomplete.
// - A character or block device (such as /dev/full) is written in place.
// - A link is followed to the file it names; a link that leads nowhere is
//   replaced by the new file.
// Raises kep::FileError "Cannot create file "%s". %s" when the file cannot be
// created or may not be written (a folder, a FIFO or socket, a missing or
// unwritable folder, a write-protected file) and "Stream write error" when
// writing fails. Opening never blocks.
void WriteFileReplacing(const std::string& file_name, const std::function<void(OutputStream&)>& write_content,
                        const ReplaceHooks& hooks = {});

}  // namespace kep::output
