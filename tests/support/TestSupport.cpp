#include "tests/support/TestSupport.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

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
  FILE* pipe = popen(command.c_str(), "r");
  ShellRun run{-1, ""};
  if (!pipe) return run;
  char buffer[8192];
  while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, got);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

bool ToolAvailable(const std::string& probe) { return Shell(probe + " >/dev/null 2>&1").status == 0; }

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "vaktest-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const { return (fs::path(path_) / name).string(); }

void TempDir::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempDir::Read(const std::string& name) const {
  std::ifstream in(File(name), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> TempDir::Names() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename().string());
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
