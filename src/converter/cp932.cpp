// CP932 boundaries and UTF-8 to CP932 conversion (see cp932.h).
#include "cp932.h"

#include <iconv.h>

namespace kavconv {

namespace {
// Lead bytes of the two-byte characters of CP932.
bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
iconv_t Handle(void* cd) { return static_cast<iconv_t>(cd); }
}  // namespace

size_t Cp932CharLength(unsigned char lead, size_t remaining) {
    return IsLead(lead) && remaining >= 2 ? 2 : 1;
}

size_t Cp932Prefix(const char* s, size_t size, size_t maxBytes) {
    size_t i = 0;
    while (i < size) {
        size_t n = Cp932CharLength(static_cast<unsigned char>(s[i]), size - i);
        if (i + n > maxBytes) break;
        i += n;
    }
    return i;
}

int Utf8CharLength(const unsigned char* s, size_t remaining) {
    unsigned char c = s[0];
    if (c < 0x80) return 1;
    int n;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;  // overlong
        if (c == 0xED) hi = 0x9F;  // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;  // overlong
        if (c == 0xF4) hi = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    for (int k = 1; k < n; ++k) {
        if (static_cast<size_t>(k) >= remaining) return -1;
        unsigned char b = s[k];
        unsigned char min = k == 1 ? lo : 0x80, max = k == 1 ? hi : 0xBF;
        if (b < min || b > max) return 0;
    }
    return n;
}

Cp932Encoder::Cp932Encoder() {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    cd_ = cd == reinterpret_cast<iconv_t>(-1) ? nullptr : cd;
}

Cp932Encoder::~Cp932Encoder() {
    if (cd_) iconv_close(Handle(cd_));
}

bool Cp932Encoder::Usable() const { return cd_ != nullptr; }

bool Cp932Encoder::AppendChar(const char* utf8, size_t size, std::string* out) {
    if (!cd_) return false;
    char buf[16];
    char* in = const_cast<char*>(utf8);
    size_t inLeft = size;
    char* o = buf;
    size_t outLeft = sizeof buf;
    iconv(Handle(cd_), nullptr, nullptr, nullptr, nullptr);  // fresh shift state
    if (iconv(Handle(cd_), &in, &inLeft, &o, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return false;
    // A character converted to nothing would vanish from the path silently.
    if (o == buf) return false;
    out->append(buf, static_cast<size_t>(o - buf));
    return true;
}

}  // namespace kavconv
