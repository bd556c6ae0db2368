// The one-shot run: writes the built-in scenario's sources and crew
// documents next to the executable, compiles the sources into the three
// compiled files, and ends.
#pragma once

namespace sb {

class FileSystem;
class Platform;

// Runs the start-up sequence in its fixed order. A file that cannot be
// written, read or deleted ends the run through platform.report_failure; the
// compile step's guards end it through `errore`. Returns the exit status of a
// completed run, 0.
int run_sequence(Platform& platform, FileSystem& files);

}  // namespace sb
