// Sample tenders for the benchmarks: made once per size in the temporary directory and
// copied fresh for every run that writes.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "common/UserNotifier.h"
#include "store/Preparation.h"
#include "store/Xbase.h"
#include "tools/SampleTender.h"

namespace vak::bench {

// A pristine tender of about `lines` lines (type 1: one construction part holds them all).
inline const std::string& PristineTender(long lines, int type) {
  static std::map<std::pair<long, int>, std::string> dirs;
  std::string& dir = dirs[{lines, type}];
  if (dir.empty()) {
    dir = (std::filesystem::temp_directory_path() / ("vakbench-" + std::to_string(type) + "-" + std::to_string(lines)))
              .string();
    if (!std::filesystem::exists(dir + "/VAK.DBF")) {
      std::filesystem::create_directories(dir);
      SampleOptions options;
      options.type = type;
      options.lines = lines;
      WriteSampleTender(dir, options);
    }
  }
  return dir;
}

// A fresh copy of that tender to work on.
inline std::string FreshCopy(long lines, int type, const std::string& purpose) {
  const std::string& pristine = PristineTender(lines, type);
  const std::string work = pristine + "-" + purpose;
  std::filesystem::remove_all(work);
  std::filesystem::create_directories(work);
  for (const char* name : {"VAK.DBF", "VAK.MEM"}) std::filesystem::copy(pristine + "/" + name, work + "/" + name);
  return work;
}

// A fresh copy opened as the program opens it: the item table exclusive, at order 1.
struct OpenTender {
  OpenTender(long lines, int type, const std::string& purpose)
      : items(env, notifier), dir(FreshCopy(lines, type, purpose)) {
    OpenTenderAsTheProgramDoes(dir, env, items, notifier);
  }
  SilentNotifier notifier;
  TXbaseEnv env;
  TZekTable items;
  std::string dir;
};

}  // namespace vak::bench
