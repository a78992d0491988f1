// CP932 conversions (see sjis.h).
#include "sjis.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

// Converts all of `in` with a fresh iconv descriptor; false on any error.
static bool Convert(const char* to, const char* from, std::string_view in, std::string* out) {
    out->clear();
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string result;
    result.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = result.data();
    size_t dstLeft = result.size();
    bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1) && srcLeft == 0;
    if (ok) ok = iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (!ok) return false;
    result.resize(result.size() - dstLeft);
    *out = std::move(result);
    return true;
}

bool Cp932ToUtf8(std::string_view sjis, std::string* out) { return Convert("UTF-8", "CP932", sjis, out); }
bool Utf8ToCp932(std::string_view utf8, std::string* out) { return Convert("CP932", "UTF-8", utf8, out); }

// Lead byte of a two-byte CP932 character.
static bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

QString SjisToQString(std::string_view sjis) {
    std::string utf8;
    if (Cp932ToUtf8(sjis, &utf8)) return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    // Convert what can be converted, character by character.
    QString text;
    for (size_t i = 0; i < sjis.size();) {
        const size_t n = IsLeadByte(static_cast<unsigned char>(sjis[i])) && i + 1 < sjis.size() ? 2 : 1;
        if (Cp932ToUtf8(sjis.substr(i, n), &utf8)) text += QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
        else text += QChar(0xFFFD);
        i += n;
    }
    return text;
}

bool QStringToSjis(const QString& text, std::string* out) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToCp932(std::string_view(utf8.constData(), size_t(utf8.size())), out);
}

size_t SjisPrefixLength(std::string_view sjis, size_t maxBytes) {
    size_t i = 0;
    while (i < sjis.size()) {
        const size_t n = IsLeadByte(static_cast<unsigned char>(sjis[i])) ? 2 : 1;
        if (i + n > maxBytes || i + n > sjis.size()) break;
        i += n;
    }
    return i;
}

void SjisCopyField(char* field, size_t size, std::string_view sjis) {
    std::memset(field, 0, size);
    if (size == 0) return;
    const size_t end = sjis.find('\0');
    if (end != std::string_view::npos) sjis = sjis.substr(0, end);
    std::memcpy(field, sjis.data(), SjisPrefixLength(sjis, size - 1));
}

size_t FieldLength(const char* field, size_t size) { return strnlen(field, size); }
