#pragma once
// `tamrel --export-adif LOGFILE OUT.adi`: the ADIF file of a log, written
// without a window or a radio, so that scripts can upload logs. It runs
// before any window system is touched and ends the process.

namespace tamrel {

// True when the command line asks for an export.
bool IsExportCommand(int argc, char** argv);

// Runs the export; the exit code: 0 written, 1 failed, 2 usage error.
int RunExportCommand(int argc, char** argv);

} // namespace tamrel
