#include "common/CodePage.h"

#include "common/Platform.h"

namespace vak {

size_t Cp949CharLength(std::string_view bytes, size_t i) {
  const unsigned char c = static_cast<unsigned char>(bytes[i]);
  return (c >= 0x81 && c <= 0xFE && i + 1 < bytes.size()) ? 2 : 1;
}

std::string Cp949ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  size_t at = 0;
  while (at < bytes.size()) {
    const std::optional<size_t> converted = platform::Cp949PrefixToUtf8(bytes.substr(at), out);
    if (!converted) return std::string(bytes);
    at += *converted;
    if (at < bytes.size()) {
      // U+FFFD for the byte (or pair) that forms no character; a trail byte that could not
      // belong to a pair (a blank, a digit) is kept for the next round.
      out += "\xEF\xBF\xBD";
      const bool pair = Cp949CharLength(bytes, at) == 2 && static_cast<unsigned char>(bytes[at + 1]) >= 0x41;
      at += pair ? 2 : 1;
    }
  }
  return out;
}

std::optional<std::string> Utf8ToCp949(std::string_view utf8) { return platform::Utf8ToCp949Whole(utf8); }

std::string CutToWidth(std::string_view bytes, size_t width) {
  size_t end = 0;
  while (end < bytes.size()) {
    const size_t len = Cp949CharLength(bytes, end);
    if (end + len > width) break;
    end += len;
  }
  return std::string(bytes.substr(0, end));
}

bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace vak
