// Fuzz target: any bytes as VAK.DBF of a tender with a good VAK.MEM, through the program's
// whole start (preparation, reorganisation, start-up pass) and F3. Nothing may crash; a
// refused start leaves the table byte for byte as it was, and a start that went on leaves a
// table that reads without warnings and a header that reads whole.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/Files.h"
#include "pricing/Calculation.h"
#include "store/MemFile.h"
#include "store/Preparation.h"

namespace {

// Answers every question with the same word: yes for odd-sized inputs, no for the others.
class FixedAnswers : public vak::SilentNotifier {
 public:
  explicit FixedAnswers(bool yes) : yes_(yes) {}
  vak::MessageAnswer Message(const std::string&, const std::string&, vak::MessageIcon,
                             vak::MessageButtons buttons) override {
    if (buttons != vak::MessageButtons::YesNo) return vak::MessageAnswer::Ok;
    return yes_ ? vak::MessageAnswer::Yes : vak::MessageAnswer::No;
  }

 private:
  bool yes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fs = std::filesystem;
  static const std::string dir = (fs::temp_directory_path() / ("vak-fuzz-start-" + std::to_string(getpid()))).string();
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir, ec);
  vak::HeaderValues header;
  header[vak::kCmnDesc] = "FUZZ";
  header[vak::kCmnType] = "2";
  const std::string table(reinterpret_cast<const char*>(data), size);
  if (!vak::WriteMemFile(vak::JoinPath(dir, "VAK.MEM"), header) ||
      !vak::ReplaceFileContents(vak::JoinPath(dir, "VAK.DBF"), table))
    return 0;

  FixedAnswers notifier(size % 2 == 1);
  bool started = false;
  {
    vak::TXbaseEnv env;
    vak::TZekTable items(env, notifier);
    started = vak::OpenTenderAsTheProgramDoes(dir, env, items, notifier);
    if (started) (void)vak::CalculateStatement(items, {dir, vak::ProjectType::Compound, "1"}, notifier);
    items.Close();
  }
  if (!started) {
    if (vak::ReadWholeFile(vak::JoinPath(dir, "VAK.DBF")) != table) std::abort();
  } else {
    vak::DbfStatus status;
    auto file = vak::DbfFile::Open(vak::JoinPath(dir, "VAK.DBF"), vak::DbfOpenMode::ReadOnly, status);
    if (!file || !file->warning().empty()) std::abort();
    if (!vak::LoadProjectHeader(dir).Whole()) std::abort();
  }
  return 0;
}
