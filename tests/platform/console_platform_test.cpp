// The console behaviour that the Linux program and the console program on
// Windows share: "Attendere" only for a person at a terminal, messages and
// reports on standard error, and the reports' exit status.
#include "platform/console_platform.h"

#include <gtest/gtest.h>

#include "platform/exit_status.h"

namespace sb {
namespace {

class TestConsole : public ConsolePlatform {
 public:
  explicit TestConsole(bool terminal) : terminal_(terminal) {}
  std::string executable_directory() override { return "/bin"; }
  std::string join(const std::string& d, const std::string& n) override { return d + "/" + n; }

 protected:
  bool error_stream_is_terminal() const override { return terminal_; }

 private:
  bool terminal_;
};

TEST(ConsolePlatform, WaitingLineOnlyAtATerminal) {
  TestConsole terminal(true);
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  terminal.show_waiting_window();
  terminal.close_waiting_window();
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Attendere\n");

  TestConsole file(false);
  ::testing::internal::CaptureStderr();
  file.show_waiting_window();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(ConsolePlatform, MessageOnStandardError) {
  TestConsole console(false);
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  console.show_message(" Errore n. 1250");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), " Errore n. 1250\n");
}

TEST(ConsolePlatformDeathTest, ReportFailureNamesTheProgramAndEndsWithTheFileStatus) {
  EXPECT_EXIT(
      {
        TestConsole console(true);
        console.report_failure("cannot write x: Permission denied");
      },
      ::testing::ExitedWithCode(exit_status::kFileFailure),
      "^scenario-builder: cannot write x: Permission denied\n$");
}

TEST(ConsolePlatformDeathTest, EndProgramEndsWithTheGivenStatus) {
  EXPECT_EXIT(
      {
        TestConsole console(false);
        console.end_program(exit_status::kFatal);
      },
      ::testing::ExitedWithCode(exit_status::kFatal), "^$");
}

}  // namespace
}  // namespace sb
