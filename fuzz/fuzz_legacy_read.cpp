// Any bytes through Kavconv's two readers, as a part list and as a legacy
// motion file: they must refuse or fill their arrays, never crash or read out
// of bounds, and every name they keep must fit its field with its terminator.
#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "conv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString why;

    QBuffer list;
    list.setData(bytes);
    list.open(QIODevice::ReadOnly);
    const bool listOk = kavconv::PartListFromDevice(&list, QStringLiteral("fuzz.prt"), &why);
    for (int k = 0; k < kavconv::kParts; ++k) {
        if (kavconv::pname[k][kavconv::kNameSize - 1] != '\0') __builtin_trap();
        if (!listOk && kavconv::pname[k][0] != '\0') __builtin_trap();  // a refusal keeps nothing
    }
    if (kavconv::pname[kavconv::kListLines][0] != '\0') __builtin_trap();  // entry 17 is never used

    // The bytes as they are (mostly too short), then as the start of a full-sized file.
    kavconv::LegacyFromBytes(bytes.constData(), size, QStringLiteral("fuzz.txt"), &why);
    QByteArray full = bytes.left(static_cast<qsizetype>(kavconv::kLegacySize));
    full.resize(static_cast<qsizetype>(kavconv::kLegacySize), '\0');
    if (!kavconv::LegacyFromBytes(full.constData(), static_cast<size_t>(full.size()),
                                  QStringLiteral("fuzz.txt"), &why))
        __builtin_trap();
    if (size >= 4 && std::memcmp(&kavconv::Data[0][0].m[0][0], data, 4) != 0) __builtin_trap();
    if (kavconv::Data[17][199].m[3][3] != 1.0f || kavconv::FramePlus[17][199] != 0.0f) __builtin_trap();
    return 0;
}
