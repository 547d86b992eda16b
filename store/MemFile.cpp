#include "store/MemFile.h"

#include <cstring>

#include "common/Files.h"
#include "common/Numbers.h"
#include "common/Text.h"

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
    const unsigned char type = static_cast<unsigned char>(header[11]) & 0x7F;
    const bool match = AsciiUpper(EntryName(header)) == wanted;
    size_t valueSize = 0;
    switch (type) {
      case 'C':
        valueSize = static_cast<unsigned char>(header[16]) | (static_cast<size_t>(static_cast<unsigned char>(header[17])) << 8);
        break;
      case 'N':
      case 'D':
        valueSize = 8;
        break;
      case 'L':
        valueSize = 1;
        break;
      default:
        return std::string();  // an unknown type: the length of its value is unknown
    }
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

bool SaveProjectHeader(const std::string& dataDir, const HeaderValues& values, UserNotifier& notifier) {
  if (WriteMemFile(DataFilePath(dataDir, "VAK.MEM"), values)) return true;
  notifier.Message("정보 화일(" + JoinPath(dataDir, "VAK.MEM") + "를 저장할 수 없습니다.", "오류",
                   MessageIcon::Error, MessageButtons::Ok);
  return false;
}

HeaderValues ReadProjectHeader(const std::string& path) {
  HeaderValues values;
  const std::string bytes = ReadWholeFile(path).value_or(std::string());
  for (size_t i = 0; i < values.size(); ++i) values[i] = ReadMemVarFromBytes(bytes, kHeaderVariables[i]);
  return values;
}

}  // namespace vak
