#pragma once

namespace vak {

// Every place that asks for "굴림체" (the agency's monospaced Korean font) or "굴림" gets an
// installed Korean font, so Korean text never shows as boxes. Call once after the
// application object exists.
void InstallKoreanFonts();

}  // namespace vak
