// Directories and stored paths (see paths.h).
#include "paths.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>
#include <unistd.h>

#include "sjis.h"

char CurrentPath[kPathSize];
char FileName[255];
char FullFileName[255];

void RememberStartDirectory() {
    const std::string dir = QStringToLocal(QDir::currentPath());
    std::memset(CurrentPath, 0, sizeof CurrentPath);
    std::strncpy(CurrentPath, dir.c_str(), sizeof CurrentPath - 1);
}

bool SetCurrentDirectoryA(const char* path) { return path && *path && ::chdir(path) == 0; }

void CharLowerA(char* s) {
    for (; *s; ++s)
        if (*s >= 'A' && *s <= 'Z') *s = char(*s - 'A' + 'a');
}

QString LocalToQString(const char* name) { return QFile::decodeName(name); }

std::string QStringToLocal(const QString& name) {
    const QByteArray b = QFile::encodeName(name);
    return std::string(b.constData(), size_t(b.size()));
}

QString ResolveStoredPath(const char* storedSjis) {
    QString path = SjisToQString(std::string_view(storedSjis, FieldLength(storedSjis, 255)));
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty() || QFileInfo::exists(path)) return path;

    // Files written on Windows name their meshes case-blind: match each
    // component against what the folder really holds.
    const bool absolute = path.startsWith(QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString built = absolute ? QStringLiteral("/") : QString();
    for (int i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        QString next = built.isEmpty() ? part : QDir(built).filePath(part);
        if (part != QLatin1String(".") && part != QLatin1String("..") && !QFileInfo::exists(next)) {
            const QDir dir(built.isEmpty() ? QStringLiteral(".") : built);
            const QStringList entries =
                dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            for (const QString& e : entries) {
                if (e.compare(part, Qt::CaseInsensitive) == 0) {
                    next = built.isEmpty() ? e : QDir(built).filePath(e);
                    break;
                }
            }
        }
        built = next;
    }
    return QFileInfo::exists(built) ? built : path;
}
