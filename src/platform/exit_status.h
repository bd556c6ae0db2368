// The exit statuses of the program, for the one-shot run and the authors'
// tools alike: a script can tell a mistake in a scenario from a failure to
// read or write a file.
#pragma once

namespace sb::exit_status {

inline constexpr int kOk = 0;
inline constexpr int kScenarioErrors = 1;  // a recorded error code, or a compiled file refused
inline constexpr int kUsage = 2;           // the command line is wrong
inline constexpr int kFatal = 3;           // `errore`: the compile step's codes 1250 and 1251
inline constexpr int kFileFailure = 4;     // a file that cannot be read, written or deleted

}  // namespace sb::exit_status
