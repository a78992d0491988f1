// Text stored in files is CP932 (Shift-JIS); Qt works in UTF-16. These are the
// only places where one becomes the other. The build forbids implicit
// conversions from char* to QString, so a CP932 name cannot reach Qt by mistake.
#pragma once

#include <QString>
#include <string>
#include <string_view>

// CP932 bytes to text; bytes that are not CP932 become U+FFFD.
QString SjisToQString(std::string_view sjis);
// Text to CP932. Returns false (and leaves *out empty) when a character has no
// CP932 form.
bool QStringToSjis(const QString& text, std::string* out);

// Raw byte conversions through iconv. Return false on any invalid or
// unrepresentable sequence.
bool Cp932ToUtf8(std::string_view sjis, std::string* out);
bool Utf8ToCp932(std::string_view utf8, std::string* out);

// Longest prefix of the CP932 string that fits in `maxBytes` without cutting a
// two-byte character.
size_t SjisPrefixLength(std::string_view sjis, size_t maxBytes);
// Copies a CP932 string into a zero-filled fixed field of `size` bytes, cut at
// a character boundary so that the terminator always fits.
void SjisCopyField(char* field, size_t size, std::string_view sjis);
// Length of a zero-terminated string in a fixed field (the field size when no
// terminator is found).
size_t FieldLength(const char* field, size_t size);
