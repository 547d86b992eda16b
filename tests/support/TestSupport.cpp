#include "tests/support/TestSupport.h"

#ifndef _WIN32
#include <sys/mount.h>
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "common/Files.h"
#include "common/Platform.h"

namespace fs = std::filesystem;

namespace vak::test {

MessageAnswer RecordingNotifier::Message(const std::string& text, const std::string& caption, MessageIcon icon,
                                         MessageButtons buttons) {
  const bool originalsNotice = caption == "알림" && text.rfind("발주기관의 원본 화일을 ", 0) == 0;
  if (originalsNotice) ++originalsNotices;
  if (!originalsNotice || recordOriginalsNotice) messages.push_back({text, caption, icon, buttons});
  return buttons == MessageButtons::Ok ? MessageAnswer::Ok : nextAnswer;
}

void RecordingNotifier::ProgressOpen(const std::string& text, long maximum) {
  progressTexts.push_back(text);
  progressMaximum = maximum;
}

ShellRun Shell(const std::string& command) {
  ShellRun run{-1, ""};
#ifdef _WIN32
  // cmd.exe runs it: the Unix tools the probes name are not there, and the tests skip.
  FILE* pipe = _popen(command.c_str(), "rb");
  if (!pipe) return run;
  char buffer[8192];
  while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, got);
  run.status = _pclose(pipe);
#else
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[8192];
  while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, got);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  return run;
}

bool MountSmallDisk(const std::string& dir, const std::string& size) {
#ifdef _WIN32
  (void)dir;
  (void)size;
  return false;
#else
  return ::mount("tmpfs", dir.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
#endif
}

bool RemountReadOnly(const std::string& dir, const std::string& size) {
#ifdef _WIN32
  (void)dir;
  (void)size;
  return false;
#else
  return ::mount("tmpfs", dir.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, ("size=" + size).c_str()) == 0;
#endif
}

void Unmount(const std::string& dir) {
#ifdef _WIN32
  (void)dir;
#else
  ::umount(dir.c_str());
#endif
}

bool ToolAvailable(const std::string& probe) { return Shell(probe + " >/dev/null 2>&1").status == 0; }

TempDir::TempDir() {
  path_ = platform::MakeTempDirectory(Utf8(fs::temp_directory_path() / "vaktest-"));
  if (path_.empty()) throw std::runtime_error("no temporary directory could be made");
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(FsPath(path_), ec);
}

std::string TempDir::File(const std::string& name) const {
  return Utf8((FsPath(path_) / FsPath(name)).make_preferred());
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(FsPath(File(name)), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempDir::Read(const std::string& name) const {
  std::ifstream in(FsPath(File(name)), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> TempDir::Names() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(FsPath(path_))) names.push_back(Utf8(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

std::string Bytes(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i < hex.size();) {
    if (hex[i] == ' ') {
      ++i;
      continue;
    }
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return out;
}

}  // namespace vak::test
