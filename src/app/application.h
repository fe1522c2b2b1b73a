#pragma once

namespace kep::app {

// Names the running QApplication as the desktop shows it and as its kept
// settings are filed: the organisation and program name, version and icon. No display name is set, since Qt's
// X11 platform would append it to every window's caption; the windows carry their own captions ("KEP Graph",
// "About", ...) exactly as they are.
void SetUpApplication();

// The names alone (organisation, program name and version), which need no
// display: enough for --help and --version.
void NameApplication();

}  // namespace kep::app
