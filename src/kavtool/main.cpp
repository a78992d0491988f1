// kavtool: the choreography file and X files from the command line, for
// people who keep their work under version control or script it.
//
//   kavtool mod dump FILE.mod [--json]   the tree, placements, speeds and stored poses
//   kavtool mod check FILE.mod           exit 0 for a valid file, else the reason and exit 1
//   kavtool mod resave IN.mod OUT.mod    load and save again
//   kavtool x FILE.x [--json]            what the editor makes of an X file
#include <QCoreApplication>
#include <QStringList>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "files/modfile.h"
#include "platform/sjis.h"

#ifdef KAV_HAVE_X_COMMAND
int KavtoolXCommand(int argc, char** argv);
#endif

namespace {

const char kUsage[] =
    "usage: kavtool mod dump FILE.mod [--json]\n"
    "       kavtool mod check FILE.mod\n"
    "       kavtool mod resave IN.mod OUT.mod\n"
    "       kavtool x FILE.x [--json]\n";

std::string Utf8(const QString& s) {
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), size_t(b.size()));
}

// Shortest text that reads back as the same float.
std::string Num(float v, bool json) {
    if (!std::isfinite(v)) return json ? "null" : (std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf"));
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string Vec(const D3DXVECTOR3& v, bool json) {
    const char* sep = json ? ", " : " ";
    std::string s = json ? "[" : "(";
    s += Num(v.x, json) + sep + Num(v.y, json) + sep + Num(v.z, json);
    return s + (json ? "]" : ")");
}

std::string Mat(const D3DXMATRIX& m, bool json) {
    std::string s = "[";
    for (int i = 0; i < 16; ++i) s += (i ? (json ? ", " : " ") : "") + Num(m.m[i / 4][i % 4], json);
    return s + "]";
}

std::string JsonString(const std::string& utf8) {
    std::string s = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            s += '\\';
            s += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            s += buf;
        } else {
            s += char(c);
        }
    }
    return s + "\"";
}

bool IsRestSlot(const MOTIONOBJ* p, int n) {
    return D3DXMatrixIsIdentity(&p->mSlotRot[n]) && p->vSlotOffset[n] == D3DXVECTOR3(0, 0, 0);
}

int Depth(const MOTIONOBJ* p) {
    int d = 0;
    for (; p->pParent; p = p->pParent) ++d;
    return d;
}

int Fail(const QString& message) {
    std::fprintf(stderr, "kavtool: %s\n", Utf8(message).c_str());
    return 1;
}

// Loads `path` into `doc`; on failure prints the reader's message.
bool Load(const char* path, _MOTIONDATA* doc, int* status) {
    GameInit(doc);
    ModSkipMeshes view;
    const QString name = QString::fromLocal8Bit(path);
    const ModLoadResult r = ModReadFile(name, doc, &view);
    switch (r.error) {
        case ModError::None: return true;
        case ModError::WrongHeader: *status = Fail(name + QStringLiteral(": ファイルが違います。")); break;
        case ModError::CannotOpen: *status = Fail(name + QStringLiteral(": ") + r.reason); break;
        case ModError::Damaged: *status = Fail(name + QStringLiteral(": 壊れています。") + r.reason); break;
    }
    return false;
}

void DumpText(const _MOTIONDATA& doc) {
    std::printf("parts: %lld\n", static_cast<long long>(CountParts(doc.pTop)));
    std::printf("speeds:\n");
    for (int i = 0; i < kSlotCount;) {
        int j = i;
        while (j + 1 < kSlotCount && std::memcmp(&doc.Speed[j + 1], &doc.Speed[i], sizeof(float)) == 0) ++j;
        if (i == j) std::printf("  slot %d: %s\n", i, Num(doc.Speed[i], false).c_str());
        else std::printf("  slots %d-%d: %s\n", i, j, Num(doc.Speed[i], false).c_str());
        i = j + 1;
    }
    std::printf("tree:\n");
    for (MOTIONOBJ* p = doc.pTop; p; p = NextInWalk(p, doc.pTop)) {
        const std::string pad(size_t(2 + 2 * Depth(p)), ' ');
        std::printf("%s%s\n", pad.c_str(), Utf8(SjisToQString(p->Name)).c_str());
        std::printf("%s  xfile: %s\n", pad.c_str(), p->XName[0] ? Utf8(SjisToQString(p->XName)).c_str() : "-");
        std::printf("%s  home: %s\n", pad.c_str(), Vec(p->vHome, false).c_str());
        for (int n = 0; n < kSlotCount; ++n)
            if (!IsRestSlot(p, n))
                std::printf("%s  slot %d: rot %s offset %s\n", pad.c_str(), n, Mat(p->mSlotRot[n], false).c_str(),
                            Vec(p->vSlotOffset[n], false).c_str());
    }
}

void DumpJson(const _MOTIONDATA& doc) {
    std::string out = "{\"count\": " + std::to_string(CountParts(doc.pTop)) + ", \"speeds\": [";
    for (int i = 0; i < kSlotCount; ++i) out += (i ? ", " : "") + Num(doc.Speed[i], true);
    out += "], \"root\": ";
    // Walk order without recursion: close one object per level climbed.
    int prev = -1;
    for (MOTIONOBJ* p = doc.pTop; p; p = NextInWalk(p, doc.pTop)) {
        const int d = Depth(p);
        if (prev >= 0) {
            for (int k = 0; k <= prev - d; ++k) out += "]}";
            if (d <= prev) out += ", ";
        }
        out += "{\"name\": " + JsonString(Utf8(SjisToQString(p->Name)));
        out += ", \"xname\": " + JsonString(Utf8(SjisToQString(p->XName)));
        out += ", \"home\": " + Vec(p->vHome, true) + ", \"slots\": {";
        bool first = true;
        for (int n = 0; n < kSlotCount; ++n) {
            if (IsRestSlot(p, n)) continue;
            out += (first ? "\"" : ", \"") + std::to_string(n) + "\": {\"rot\": " + Mat(p->mSlotRot[n], true) +
                   ", \"offset\": " + Vec(p->vSlotOffset[n], true) + "}";
            first = false;
        }
        out += "}, \"children\": [";
        prev = d;
    }
    for (int k = 0; k <= prev; ++k) out += "]}";
    out += "}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
}

int ModCommand(const QStringList& args, char** argv) {
    const QString verb = args.value(1);
    _MOTIONDATA doc{};
    int status = 1;
    if (verb == QLatin1String("check") && args.size() == 3) {
        if (!Load(argv[2], &doc, &status)) return status;
        return 0;
    }
    if (verb == QLatin1String("dump") && (args.size() == 3 || (args.size() == 4 && args[3] == QLatin1String("--json")))) {
        if (!Load(argv[2], &doc, &status)) return status;
        if (args.size() == 4) DumpJson(doc);
        else DumpText(doc);
        return 0;
    }
    if (verb == QLatin1String("resave") && args.size() == 4) {
        if (!Load(argv[2], &doc, &status)) return status;
        QString why;
        const QString out = QString::fromLocal8Bit(argv[3]);
        if (!WriteFileAtomically(out, ModBuild(&doc, doc.pTop), &why))
            return Fail(out + QStringLiteral(": 保存できませんでした。") + why);
        return 0;
    }
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    if (args.value(0) == QLatin1String("mod")) return ModCommand(args, argv + 1);
#ifdef KAV_HAVE_X_COMMAND
    if (args.value(0) == QLatin1String("x")) return KavtoolXCommand(argc - 1, argv + 1);
#endif
    std::fputs(kUsage, stderr);
    return 2;
}
