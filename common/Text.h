// Small text helpers. Texts are byte strings as stored (code page 949 in the data files),
// so lengths and widths count bytes, as the fixed-width fields do.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vak {

// The text without leading and trailing blanks and control characters.
std::string TrimmedText(std::string_view value);
// A number as text in its general form ("250", "2.5"), trimmed.
std::string TrimmedText(long double value);
inline std::string TrimmedText(const char* value) { return TrimmedText(std::string_view(value ? value : "")); }
inline std::string TrimmedText(const std::string& value) { return TrimmedText(std::string_view(value)); }

// The trimmed text right-aligned in `width` bytes: cut to its first `width` bytes when
// longer, otherwise blanks in front.
std::string RightAlignText(std::string_view value, int width);

bool ContainsText(std::string_view part, std::string_view whole);

std::string RemoveSpaces(std::string_view text);

// Every occurrence of `find` replaced, left to right, inserted text not scanned again.
std::string ReplaceAll(std::string_view source, std::string_view find, std::string_view replacement);

// One CSV row, ended by CR LF; a field is quoted when it holds a separator, a quote or a line break.
std::string CsvRow(const std::vector<std::string>& fields);

// ASCII upper case; bytes of double-byte characters are left alone.
std::string AsciiUpper(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace vak
