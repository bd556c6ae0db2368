// The one-shot run: writes the built-in scenario's sources and crew
// documents next to the executable, compiles the sources into the three
// compiled files, and ends.
#pragma once

namespace sb {

class FileSystem;
class Platform;

inline constexpr char kScenario[] = "BORGOLUCE";
inline constexpr char kTreno[] = "5127";

// Runs the start-up sequence in its fixed order. A file that cannot be
// written, read or deleted ends the run through platform.report_failure; the
// compile step's guards end it through platform.errore. Returns the exit
// status of a completed run, 0.
int esegui_run(Platform& platform, FileSystem& files);

}  // namespace sb
