// Helpers shared by the tests: a notifier that records what the user would have seen,
// and a temporary directory removed with its contents at the end of a test.
#pragma once

#include <string>
#include <vector>

#include "common/UserNotifier.h"

namespace vak::test {

struct RecordedMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
  MessageButtons buttons;
};

class RecordingNotifier : public UserNotifier {
 public:
  MessageAnswer Message(const std::string& text, const std::string& caption, MessageIcon icon,
                        MessageButtons buttons) override;
  void ProgressOpen(const std::string& text, long maximum) override;
  void ProgressStep() override { ++progressSteps; }
  void ProgressClose() override { ++progressCloses; }
  void Beep() override { ++beeps; }

  std::vector<RecordedMessage> messages;
  std::vector<std::string> progressTexts;
  long progressMaximum = 0;
  long progressSteps = 0;
  int progressCloses = 0;
  int beeps = 0;
  MessageAnswer nextAnswer = MessageAnswer::Yes;  // for Yes/No (and Yes/No/Cancel) questions
  // The one-time notice that the agency's originals were kept is counted, and recorded among
  // the messages only when a test asks for it, so other tests see just their own messages.
  bool recordOriginalsNotice = false;
  int originalsNotices = 0;
};

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const;
  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  std::vector<std::string> Names() const;  // sorted

 private:
  std::string path_;
};

// A shell command's exit status and standard output (standard error too with "2>&1").
struct ShellRun {
  int status;
  std::string out;
};
ShellRun Shell(const std::string& command);
// Whether an outside tool a test reads our files with is there: the probe command succeeds.
// Tests skip, saying which package is missing, when it is not.
bool ToolAvailable(const std::string& probe);

// A small file system of its own mounted on `dir` (a full disk, a full medium): false where
// the tests may not mount, and on Windows, which has none; the tests skip then.
bool MountSmallDisk(const std::string& dir, const std::string& size);
// Makes the small file system on `dir` read-only; false where that cannot be done.
bool RemountReadOnly(const std::string& dir, const std::string& size);
void Unmount(const std::string& dir);

// Whether the tests run where another process can be forked and files given POSIX modes,
// FIFOs and links to devices (not on Windows): the reason to give when they are skipped.
#ifdef _WIN32
inline constexpr bool kPosixProcessesAndModes = false;
#else
inline constexpr bool kPosixProcessesAndModes = true;
#endif
inline constexpr const char* kNoPosix = "Windows has no fork(), FIFOs, POSIX modes or mounts";

// "B0 A1 0D" -> the bytes; for byte sequences written out by hand.
std::string Bytes(const std::string& hex);

}  // namespace vak::test
