#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

namespace kep::cli {

// Runs kepgraph-render with its arguments (without the program name); writes
// results to out and messages to err. Returns the exit status: 0 on success,
// 1 when a file cannot be loaded, 2 for a usage error.
int RunRenderCommand(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

}  // namespace kep::cli
