#pragma once

#include <functional>
#include <string>

#include "gif/output_stream.h"

namespace kep::gif {

// Writes a file through write_content so that an existing file is replaced
// only by a complete new one: the bytes go to a temporary file in the same
// folder, which is renamed over the target after the last byte is out. On any
// failure the temporary file is removed, the target is left as it was and the
// error propagates. A target that exists and is neither a regular file nor a
// folder (a device such as /dev/full) is written directly.
// Raises kep::FileError "Cannot create file "%s". %s" when the file cannot be
// created (the target is a folder, the folder is missing or not writable) and
// "Stream write error" when writing fails.
void WriteFileReplacing(const std::string& file_name,
                        const std::function<void(OutputStream&)>& write_content);

}  // namespace kep::gif
