#include "sandbox/png_image.h"

#include <zlib.h>

namespace sandbox {
namespace {

// 5 x 7 digits, one byte per row, the low five bits from left to right.
constexpr uint8_t kDigits[10][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};
constexpr int kScale = 4;
constexpr int kMargin = 8;

void AppendBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

void AppendChunk(std::string& out, const char* type, const std::string& data) {
    AppendBigEndian(out, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    const auto* bytes = reinterpret_cast<const Bytef*>(typed.data());
    AppendBigEndian(out, static_cast<uint32_t>(crc32(0L, bytes, static_cast<uInt>(typed.size()))));
}

std::string Deflate(const std::string& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size,
             reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()));
    packed.resize(size);
    return packed;
}

void DrawDigit(std::vector<uint8_t>& grey, int width, int digit, int left, int top) {
    for (int row = 0; row < 7; ++row) {
        for (int col = 0; col < 5; ++col) {
            if (!(kDigits[digit][row] & (0x10 >> col)))
                continue;
            for (int dy = 0; dy < kScale; ++dy) {
                for (int dx = 0; dx < kScale; ++dx) {
                    const int x = left + col * kScale + dx;
                    const int y = top + row * kScale + dy;
                    grey[static_cast<size_t>(y * width + x)] = 0x20;
                }
            }
        }
    }
}

}  // namespace

std::string EncodePng(const std::vector<uint8_t>& grey, int width, int height) {
    std::string png("\x89PNG\r\n\x1A\n", 8);
    std::string header;
    AppendBigEndian(header, static_cast<uint32_t>(width));
    AppendBigEndian(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x00\x00\x00\x00", 5);  // 8-bit grey, no interlace
    AppendChunk(png, "IHDR", header);
    std::string raw;
    raw.reserve(static_cast<size_t>((width + 1) * height));
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // filter: none
        raw.append(reinterpret_cast<const char*>(grey.data()) + static_cast<size_t>(y * width),
                   static_cast<size_t>(width));
    }
    AppendChunk(png, "IDAT", Deflate(raw));
    AppendChunk(png, "IEND", "");
    return png;
}

std::string CaptchaPng(const std::string& text) {
    const int cell = 6 * kScale;
    const int width = kMargin * 2 + cell * static_cast<int>(text.size());
    const int height = kMargin * 2 + 7 * kScale;
    std::vector<uint8_t> grey(static_cast<size_t>(width * height), 0xF0);
    for (size_t i = 0; i < grey.size(); i += 7)
        grey[i] = 0xC8;  // a little noise
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            continue;
        const int wobble = (i % 2 == 0) ? -2 : 2;
        DrawDigit(grey, width, text[i] - '0', kMargin + cell * static_cast<int>(i),
                  kMargin + wobble);
    }
    return EncodePng(grey, width, height);
}

}  // namespace sandbox
