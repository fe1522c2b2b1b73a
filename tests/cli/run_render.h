#pragma once

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/render_command.h"

namespace kep::cli::testing {

// What one run of kepgraph-render gave: its exit status and both outputs.
struct Outcome {
  int status;
  std::string out;
  std::string err;
};

inline Outcome Render(std::vector<std::string_view> args, const chart::NumberFormat& label_format = {}) {
  std::ostringstream out, err;
  const int status = RunRenderCommand(args, label_format, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace kep::cli::testing
