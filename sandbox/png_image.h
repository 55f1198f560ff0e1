#pragma once
// The captcha picture: the code's text drawn with a small bitmap font into a real PNG file.
#include <cstdint>
#include <string>
#include <vector>

namespace sandbox {

// A PNG file (8-bit grey) of `width` x `height` pixels, rows top to bottom.
std::string EncodePng(const std::vector<uint8_t>& grey, int width, int height);

// The captcha image of `text` (digits; other characters are drawn as blanks).
std::string CaptchaPng(const std::string& text);

}  // namespace sandbox
