#include "common/Text.h"

#include "common/Numbers.h"

namespace vak {

std::string TrimmedText(std::string_view value) {
  size_t b = 0;
  size_t e = value.size();
  while (b < e && static_cast<unsigned char>(value[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(value[e - 1]) <= ' ') --e;
  return std::string(value.substr(b, e - b));
}

std::string TrimmedText(long double value) { return TrimmedText(GeneralNumberText(value)); }

std::string RightAlignText(std::string_view value, int width) {
  std::string text = TrimmedText(value);
  if (width <= 0) return std::string();
  const size_t w = static_cast<size_t>(width);
  if (text.size() >= w) return text.substr(0, w);
  return std::string(w - text.size(), ' ') + text;
}

bool ContainsText(std::string_view part, std::string_view whole) { return whole.find(part) != std::string_view::npos; }

std::string RemoveSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != ' ') out.push_back(c);
  }
  return out;
}

std::string ReplaceAll(std::string_view source, std::string_view find, std::string_view replacement) {
  if (find.empty() || find == replacement) return std::string(source);
  std::string out;
  out.reserve(source.size());
  size_t from = 0;
  for (size_t at = source.find(find); at != std::string_view::npos; at = source.find(find, from)) {
    out.append(source, from, at - from);
    out.append(replacement);
    from = at + find.size();
  }
  out.append(source, from, std::string_view::npos);
  return out;
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 0x81) {
      ++i;  // a lead byte: its trail byte may look like a Latin letter
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  // As AsciiUpper compares, without building the upper-case copies: the trail byte of a
  // double-byte character is compared as it is.
  for (size_t i = 0; i < a.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 0x81 || y >= 0x81) {
      if (x != y || (i + 1 < a.size() && a[i + 1] != b[i + 1])) return false;
      ++i;
      continue;
    }
    if ((x >= 'a' && x <= 'z' ? x - 32 : x) != (y >= 'a' && y <= 'z' ? y - 32 : y)) return false;
  }
  return true;
}

std::string CsvRow(const std::vector<std::string>& fields) {
  std::string row;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) row += ',';
    const std::string& f = fields[i];
    row += f.find_first_of(",\"\r\n") == std::string::npos ? f : "\"" + ReplaceAll(f, "\"", "\"\"") + "\"";
  }
  return row + "\r\n";
}

}  // namespace vak
