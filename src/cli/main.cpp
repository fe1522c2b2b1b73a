#include <clocale>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/render_command.h"

int main(int argc, char** argv) {
  // The user's locale, as the desktop viewer takes it; its numeric
  // separators are read once, here, for the chart's labels.
  std::setlocale(LC_ALL, "");
  const kep::chart::NumberFormat label_format = kep::chart::NumberFormat::FromLocale("");
  std::ios::sync_with_stdio(false);
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  return kep::cli::RunRenderCommand(args, label_format, std::cout, std::cerr);
}
