// The four blocks of status text (see frame.h).
#include <QString>
#include <cstdio>
#include <string>

#include "frame.h"
#include "platform/d3dx_font.h"
#include "platform/sjis.h"

namespace {

constexpr size_t kLine = 200;

// The fixed texts in CP932, as the font takes them.
std::string Sjis(const QString& text) {
    std::string out;
    QStringToSjis(text, &out);
    return out;
}

void Block(const char* text, int left, int top) {
    const RECT r = {left, top, 64, 64};
    lpFont->DrawTextA(nullptr, text, -1, &r, DT_NOCLIP, 0xFFFFFFFF);
}

}  // namespace

void Debug(_MOTIONDATA* set) {
    if (!lpFont || !pGet) return;
    static const std::string slot = Sjis(QStringLiteral("保存番号[%3d],AnimeFrame[%0.3f]"));
    static const std::string partHead = Sjis(QStringLiteral("現在の動作箇所["));
    static const std::string playing = Sjis(QStringLiteral("現在再生中の番号[%2d]"));
    static const std::string coords =
        Sjis(QStringLiteral("選択中のパーツ座標\nX[%6.10f]\nY[%6.10f]\nZ[%6.10f]\n"));
    char buf[kLine];

    std::snprintf(buf, sizeof buf, slot.c_str(), No, double(set->AnimeFrame));
    Block(buf, 0, 24);

    // A long name is cut at a character boundary so that the line keeps its "]".
    const std::string_view name(pGet->Name, FieldLength(pGet->Name, sizeof pGet->Name));
    const size_t room = kLine - 1 - partHead.size() - 1;
    std::string line = partHead;
    line.append(name.substr(0, SjisPrefixLength(name, room)));
    line += ']';
    Block(line.c_str(), 0, 48);

    std::snprintf(buf, sizeof buf, playing.c_str(), set->PlayNo);
    Block(buf, 0, 72);

    std::snprintf(buf, sizeof buf, coords.c_str(), double(pGet->vWorldPos.x), double(pGet->vWorldPos.y),
                  double(pGet->vWorldPos.z));
    Block(buf, 600, 0);
}
