#include "support/png.h"

#include <array>

namespace vantrel::test {

namespace {
uint32_t crc32(const uint8_t* data, size_t n, uint32_t crc = 0) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < n; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put32(std::string& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8)
        out += char((v >> s) & 0xFF);
}

uint32_t get32(const std::string& in, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i)
        v = v << 8 | uint8_t(in[at + i]);
    return v;
}

void chunk(std::string& out, const char* type, const std::string& data) {
    put32(out, uint32_t(data.size()));
    std::string body(type, 4);
    body += data;
    out += body;
    put32(out, crc32(reinterpret_cast<const uint8_t*>(body.data()), body.size()));
}
}  // namespace

std::string encodePng(const Image& image) {
    std::string raw;
    raw.reserve(size_t(image.height) * (size_t(image.width) * 3 + 1));
    for (int y = 0; y < image.height; ++y) {
        raw += '\0';  // filter: none
        raw.append(reinterpret_cast<const char*>(&image.rgb[size_t(y) * size_t(image.width) * 3]),
                   size_t(image.width) * 3);
    }
    std::string z = "\x78\x01";
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    for (size_t pos = 0; pos < raw.size() || pos == 0; pos += 65535) {
        size_t len = std::min<size_t>(65535, raw.size() - pos);
        z += char(pos + len >= raw.size() ? 1 : 0);
        z += char(len & 0xFF);
        z += char(len >> 8);
        z += char(~len & 0xFF);
        z += char((~len >> 8) & 0xFF);
        z.append(raw, pos, len);
        if (raw.empty())
            break;
    }
    put32(z, (b << 16) | a);

    std::string out = "\x89PNG\r\n\x1a\n";
    std::string ihdr;
    put32(ihdr, uint32_t(image.width));
    put32(ihdr, uint32_t(image.height));
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", "");
    return out;
}

Image decodeStoredPng(const std::string& in) {
    Image img;
    if (in.size() < 33 || in.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0)
        return img;
    std::string z;
    int w = 0, h = 0;
    for (size_t at = 8; at + 12 <= in.size();) {
        uint32_t len = get32(in, at);
        std::string type = in.substr(at + 4, 4);
        if (type == "IHDR") {
            w = int(get32(in, at + 8));
            h = int(get32(in, at + 12));
        } else if (type == "IDAT") {
            z += in.substr(at + 8, len);
        }
        at += 12 + len;
    }
    std::string raw;
    for (size_t at = 2; at + 5 <= z.size();) {
        bool last = z[at] & 1;
        size_t len = uint8_t(z[at + 1]) | size_t(uint8_t(z[at + 2])) << 8;
        raw += z.substr(at + 5, len);
        at += 5 + len;
        if (last)
            break;
    }
    if (raw.size() != size_t(h) * (size_t(w) * 3 + 1))
        return img;
    img.width = w;
    img.height = h;
    for (int y = 0; y < h; ++y)
        img.rgb.insert(img.rgb.end(), raw.begin() + long(size_t(y) * (size_t(w) * 3 + 1) + 1),
                       raw.begin() + long(size_t(y + 1) * (size_t(w) * 3 + 1)));
    return img;
}

}  // namespace vantrel::test
