#include "common/CodePage.h"

#include <iconv.h>

#include <cerrno>

namespace vak {
namespace {

// glibc's "CP949" is the Windows code page (Qt/ICU's "CP949" is IBM's, a different one).
constexpr const char* kCodePage = "CP949";

// One conversion descriptor per direction and thread, opened on first use.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as possible; returns the number of input bytes consumed. Stops at an
  // invalid or unconvertible sequence.
  size_t Convert(std::string_view in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[1024];
    while (srcLeft > 0) {
      char* dst = buffer;
      size_t dstLeft = sizeof buffer;
      const size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<size_t>(dst - buffer));
      if (rc == static_cast<size_t>(-1) && errno != E2BIG) break;
    }
    return in.size() - srcLeft;
  }

 private:
  iconv_t cd_;
};

Converter& ToUtf8Converter() {
  thread_local Converter c("UTF-8", kCodePage);
  return c;
}

Converter& FromUtf8Converter() {
  thread_local Converter c(kCodePage, "UTF-8");
  return c;
}

}  // namespace

size_t Cp949CharLength(std::string_view bytes, size_t i) {
  const unsigned char c = static_cast<unsigned char>(bytes[i]);
  return (c >= 0x81 && c <= 0xFE && i + 1 < bytes.size()) ? 2 : 1;
}

std::string Cp949ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  Converter& conv = ToUtf8Converter();
  if (!conv.valid()) return std::string(bytes);
  size_t at = 0;
  while (at < bytes.size()) {
    at += conv.Convert(bytes.substr(at), out);
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

std::optional<std::string> Utf8ToCp949(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  Converter& conv = FromUtf8Converter();
  if (!conv.valid()) return std::nullopt;
  if (conv.Convert(utf8, out) != utf8.size()) return std::nullopt;
  return out;
}

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
