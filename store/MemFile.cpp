#include "store/MemFile.h"

#include <cmath>
#include <cstring>

#include "common/Files.h"
#include "common/Numbers.h"
#include "common/Text.h"
#include "store/TenderFiles.h"

namespace vak {
namespace {

constexpr size_t kEntryHeaderSize = 32;
constexpr size_t kNameSize = 11;
constexpr unsigned char kTypeCharacter = 'C' | 0x80;
constexpr unsigned char kTypeNumeric = 'N' | 0x80;
constexpr size_t kMaxCharacterLength = 0xFFFF;  // the length field has two bytes

std::string EntryName(const char* header) {
  size_t n = 0;
  while (n < kNameSize && header[n] != '\0') ++n;
  return std::string(header, n);
}

double ReadDouble(const char* p) {
  unsigned char b[8];
  std::memcpy(b, p, 8);
  unsigned long long bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | b[i];
  double v = 0;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

void AppendDouble(std::string& out, double v) {
  unsigned long long bits = 0;
  std::memcpy(&bits, &v, sizeof v);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

void AppendEntryHeader(std::string& out, const char* name, unsigned char type, size_t length) {
  char header[kEntryHeaderSize] = {};
  std::strncpy(header, name, kNameSize - 1);
  header[11] = static_cast<char>(type);
  header[16] = static_cast<char>(length & 0xFF);
  header[17] = static_cast<char>((length >> 8) & 0xFF);
  out.append(header, kEntryHeaderSize);
}

// The size of an entry's value from its type letter (high bit ignored); false for a type
// whose value size is unknown.
bool EntryValueSize(const char* header, unsigned char& type, size_t& size) {
  type = static_cast<unsigned char>(header[11]) & 0x7F;
  switch (type) {
    case 'C':
      size =
          static_cast<unsigned char>(header[16]) | (static_cast<size_t>(static_cast<unsigned char>(header[17])) << 8);
      return true;
    case 'N':
    case 'D': size = 8; return true;
    case 'L': size = 1; return true;
    default: return false;
  }
}

}  // namespace

bool IsNumericHeaderVariable(int index) {
  return index == kCmnIpmt || index == kCmnMaxd || index == kCmnMrg || index == kCmnPrt || index == kCmnTop;
}

std::string ReadMemVarFromBytes(std::string_view bytes, std::string_view name) {
  const std::string wanted = AsciiUpper(name);
  size_t at = 0;
  while (bytes.size() - at >= kEntryHeaderSize) {
    const char* header = bytes.data() + at;
    at += kEntryHeaderSize;
    const bool match = AsciiUpper(EntryName(header)) == wanted;
    unsigned char type = 0;
    size_t valueSize = 0;
    // An unknown type: the length of its value is unknown, so nothing after it can be read.
    if (!EntryValueSize(header, type, valueSize)) return std::string();
    if (bytes.size() - at < valueSize) return std::string();  // truncated last entry
    const std::string_view value = bytes.substr(at, valueSize);
    at += valueSize;
    if (!match) continue;
    if (type == 'C') return std::string(value.substr(0, value.find('\0')));
    if (type == 'N') return GeneralNumberText(ReadDouble(value.data()));
    return std::string();  // dates and logicals are not part of the project header
  }
  return std::string();
}

std::string ReadMemVar(const std::string& path, std::string_view name) {
  const std::optional<std::string> bytes = ReadWholeFile(path);
  return bytes ? ReadMemVarFromBytes(*bytes, name) : std::string();
}

bool BuildMemFile(const HeaderValues& values, std::string& bytes) {
  bytes.clear();
  for (size_t i = 0; i < values.size(); ++i) {
    const char* name = kHeaderVariables[i];
    if (IsNumericHeaderVariable(static_cast<int>(i))) {
      AppendEntryHeader(bytes, name, kTypeNumeric, 0);
      AppendDouble(bytes, static_cast<double>(TextToNumber(values[i])));
    } else {
      const std::string& text = values[i];
      if (text.size() + 1 > kMaxCharacterLength) return false;
      AppendEntryHeader(bytes, name, kTypeCharacter, text.size() + 1);
      bytes += text;
      bytes.push_back('\0');
    }
  }
  return true;
}

bool WriteMemFile(const std::string& path, const HeaderValues& values) {
  std::string bytes;
  return BuildMemFile(values, bytes) && ReplaceFileContents(path, bytes);
}

HeaderValues HeaderAsSaved(HeaderValues values) {
  for (int printVariable : {kCmnMaxd, kCmnMrg, kCmnPrt, kCmnTop}) values[static_cast<size_t>(printVariable)] = "0";
  values[kCmnWrit].clear();
  return values;
}

bool SaveProjectHeader(const std::string& dataDir, const HeaderValues& values, UserNotifier& notifier) {
  if (WriteMemFile(DataFilePath(dataDir, "VAK.MEM"), values)) return true;
  notifier.Message("정보 화일(" + JoinPath(dataDir, "VAK.MEM") + "를 저장할 수 없습니다.", "오류", MessageIcon::Error,
                   MessageButtons::Ok);
  return false;
}

bool ParseProjectHeader(std::string_view bytes, HeaderValues& values, std::array<bool, 15>& present) {
  values = HeaderValues{};
  present = {};
  size_t at = 0;
  int entries = 0;
  while (bytes.size() - at >= kEntryHeaderSize) {
    const char* header = bytes.data() + at;
    const std::string name = AsciiUpper(EntryName(header));
    unsigned char type = 0;
    size_t valueSize = 0;
    if (!EntryValueSize(header, type, valueSize)) return false;
    if (name.empty()) return false;
    for (char c : name) {
      if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7E) return false;
    }
    at += kEntryHeaderSize;
    if (bytes.size() - at < valueSize) return false;  // cut inside a value
    const std::string_view value = bytes.substr(at, valueSize);
    at += valueSize;
    ++entries;
    for (size_t i = 0; i < kHeaderVariables.size(); ++i) {
      if (present[i] || name != kHeaderVariables[i]) continue;  // the first entry of a name wins
      if (type == 'C' && !IsNumericHeaderVariable(static_cast<int>(i))) {
        values[i] = std::string(value.substr(0, value.find('\0')));
      } else if (type == 'N' && IsNumericHeaderVariable(static_cast<int>(i))) {
        const double number = ReadDouble(value.data());
        if (!std::isfinite(number)) return false;
        values[i] = GeneralNumberText(number);
      } else {
        return false;  // a header variable of the wrong type
      }
      present[i] = true;
    }
  }
  // What is left must be end-of-file padding, never the start of a cut entry.
  for (size_t i = at; i < bytes.size(); ++i) {
    if (bytes[i] != '\x1a' && bytes[i] != '\0') return false;
  }
  return entries > 0;
}

ProjectHeader LoadProjectHeader(const std::string& dataDir) {
  ProjectHeader header;
  header.path = DataFilePath(dataDir, "VAK.MEM");
  std::string bytes;
  // A header of fifteen short variables is well under a kilobyte; 64 KiB allows long values.
  switch (ReadSmallFile(header.path, 64 * 1024, bytes)) {
    case SmallFileStatus::Ok:
      header.status = ParseProjectHeader(bytes, header.values, header.present) ? MemStatus::Ok : MemStatus::Damaged;
      break;
    case SmallFileStatus::Missing: header.status = MemStatus::Missing; break;
    case SmallFileStatus::NotAFile: header.status = MemStatus::NotAFile; break;
    case SmallFileStatus::TooLarge: header.status = MemStatus::Damaged; break;
    case SmallFileStatus::Unreadable: header.status = MemStatus::Unreadable; break;
  }
  if (header.status != MemStatus::Ok) {
    header.values = HeaderValues{};
    header.present = {};
  }
  return header;
}

std::string HeaderProblemText(const ProjectHeader& header) {
  std::string why;
  switch (header.status) {
    case MemStatus::Ok: return std::string();
    case MemStatus::Missing: why = "공사 정보 화일(VAK.MEM)이 없습니다."; break;
    case MemStatus::NotAFile: why = "공사 정보 화일(VAK.MEM)이 일반 화일이 아닙니다 (디렉토리나 장치입니다)."; break;
    case MemStatus::Unreadable: why = "공사 정보 화일(VAK.MEM)을 읽을 수 없습니다. 권한을 확인하십시오."; break;
    case MemStatus::Damaged:
      why = "공사 정보 화일(VAK.MEM)이 손상되었습니다 (비었거나 잘렸거나 형식이 다릅니다).";
      break;
  }
  return header.path + "\n" + why +
         "\n공사 정보를 읽을 수 없어 내역서계산과 공사정보 저장을 하지 않습니다. 발주기관의 원본 화일을 확인하십시오.";
}

bool SaveOverReadHeader(const std::string& dataDir, const ProjectHeader& header, const HeaderValues& values,
                        UserNotifier& notifier) {
  if (!header.Whole()) {
    notifier.Message(HeaderProblemText(header), "오류", MessageIcon::Error, MessageButtons::Ok);
    return false;
  }
  if (const std::string problem = ReadOnlyDataFileProblem(header.path); !problem.empty()) {
    notifier.Message(problem, "오류", MessageIcon::Error, MessageButtons::Ok);
    return false;
  }
  return SaveProjectHeader(dataDir, values, notifier);
}

}  // namespace vak
