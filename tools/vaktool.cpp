// vaktool: the program's own operations without a window, on a tender's data directory.
// Prints UTF-8; exits non-zero with a message on failure.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kVersion = "4.12";

void PrintHelp() {
  std::fputs(
      "사용법: vaktool 명령 [인수...]\n"
      "\n"
      "전산내역입찰(VAK) 프로그램의 작업을 창 없이 실행합니다.\n"
      "\n"
      "  --help       이 도움말을 보입니다.\n"
      "  --version    판 번호를 보입니다.\n",
      stdout);
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintHelp();
    return 2;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    PrintHelp();
    return 0;
  }
  if (command == "--version") {
    std::printf("vaktool %s\n", kVersion);
    return 0;
  }
  std::fprintf(stderr, "vaktool: 알 수 없는 명령입니다: %s (vaktool --help 참조)\n", command.c_str());
  return 2;
}
