// Kavconv's own CP932 (Shift-JIS) helpers: character boundaries of CP932 and
// UTF-8 byte strings, and UTF-8 to CP932 through glibc iconv.
#pragma once

#include <cstddef>
#include <string>

namespace kavconv {

// Bytes of the CP932 character starting with `lead`: 2 for a lead byte of a
// two-byte character when its trail byte is there, else 1.
size_t Cp932CharLength(unsigned char lead, size_t remaining);
// Longest prefix of `s` of at most `maxBytes` that does not split a character.
size_t Cp932Prefix(const char* s, size_t size, size_t maxBytes);

// Length of the UTF-8 character at `s`: > 0 when well-formed (no overlong
// forms, no surrogates, at most U+10FFFF), 0 when malformed, -1 when the bytes
// end inside an otherwise well-formed character.
int Utf8CharLength(const unsigned char* s, size_t remaining);

// UTF-8 to CP932, one character at a time, so that a string can be cut on a
// character boundary of its CP932 form.
class Cp932Encoder {
public:
    Cp932Encoder();
    ~Cp932Encoder();
    Cp932Encoder(const Cp932Encoder&) = delete;
    Cp932Encoder& operator=(const Cp932Encoder&) = delete;

    bool Usable() const;
    // Appends the CP932 form of one UTF-8 character; false when it has none.
    bool AppendChar(const char* utf8, size_t size, std::string* out);

private:
    void* cd_;
};

}  // namespace kavconv
