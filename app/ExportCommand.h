#pragma once
// The log exports of the command line, run instead of the front panel:
// - `tamrel --export-adif LOGFILE OUT.adi`: the ADIF file of a log, without
//   a window or a radio, so that scripts can upload logs; it runs before any
//   window system is touched.
// - `tamrel --export-cabrillo LOGFILE OUT.log`: the Cabrillo file of a
//   contest log, after the contest dialog (which needs a display) has asked
//   for the contest's name and categories and remembered them.

namespace tamrel {

enum class ExportCommand { None, Adif, Cabrillo };

ExportCommand exportCommandOf(int argc, char** argv);

// Runs the export; the exit code: 0 written, 1 failed or cancelled, 2 usage error.
int RunExportCommand(ExportCommand command, int argc, char** argv);

} // namespace tamrel
