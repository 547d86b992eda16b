// vaktool report: the tender documents as PDF files, without a window.
#pragma once

#include <string>

#include "common/UserNotifier.h"

namespace vak {

struct ReportOptions {
  std::string dir;
  std::string kind;  // summary, overall, statement, statement-lme, cover
  std::string pdf;
  std::string part = "1";  // a construction part's code, or "all" for every part in one document
  std::string firstPage = "1";
  std::string margins = "8,4,4,0";  // top, right, left, bottom
  std::string pages;                // "FROM-TO"; empty: every page
  bool portrait = false;
};

// Runs the start-up preparation, builds the report table as the program does and writes the
// PDF. 0 when written, 1 when refused or failed (the user told), 2 for bad options.
int ReportCommand(const ReportOptions& options, UserNotifier& notifier, int argc, char* argv[]);

}  // namespace vak
