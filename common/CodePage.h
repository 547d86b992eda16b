// Code page 949 (Korean Windows, Unified Hangul Code): the code page of every text in the
// data files. The core keeps field values as the stored bytes; these functions convert at
// the edges (windows, printed pages, the command-line tool's output).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vak {

// Code page 949 bytes to UTF-8. Bytes that form no character become U+FFFD, so a damaged
// field still shows what it can.
std::string Cp949ToUtf8(std::string_view bytes);

// Whether `text` is well-formed UTF-8 (what code page 949 text with Korean in it almost never is).
bool IsUtf8(std::string_view text);
// Text for a UTF-8 output: as it is when it is UTF-8, else read as code page 949 bytes.
inline std::string AsUtf8(std::string_view text) { return IsUtf8(text) ? std::string(text) : Cp949ToUtf8(text); }

// UTF-8 to code page 949 bytes; nullopt when a character has no code page 949 form or the
// input is not valid UTF-8. Such text is refused, never stored with "?" in its place.
std::optional<std::string> Utf8ToCp949(std::string_view utf8);

// The longest prefix of `bytes` that fits `width` bytes without cutting a double-byte
// character in half (a character that would not fit is dropped whole).
std::string CutToWidth(std::string_view bytes, size_t width);

// Length of the character that starts at bytes[i]: 2 for a lead byte with a trail byte
// after it, otherwise 1.
size_t Cp949CharLength(std::string_view bytes, size_t i);

}  // namespace vak
