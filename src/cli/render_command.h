#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

#include "chart/number_format.h"

namespace kep::cli {

// Runs kepgraph-render with its arguments (without the program name); writes
// results to out and messages to err. The chart's value labels use
// label_format's separators; what is printed for other programs (--points,
// --layout, --info) reads the same under every locale. Returns the exit
// status: 0 on success, 1 when a file cannot be loaded, 2 for a usage error.
int RunRenderCommand(std::span<const std::string_view> args, const chart::NumberFormat& label_format,
                     std::ostream& out, std::ostream& err);

}  // namespace kep::cli
