// The choreography file: validation, rebuild of the tree, writer (see modfile.h).
#include "modfile.h"

#include <QFile>
#include <QFileInfo>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/paths.h"
#include "platform/prompter.h"
#include "platform/sjis.h"

static_assert(std::endian::native == std::endian::little, "the file's numbers are little-endian");

const char kModSignature[] = "zamoriko";

// Offsets inside a part record.
constexpr size_t kRecHome = 16000;
constexpr size_t kRecName = 16012;
constexpr size_t kRecXName = 16267;
constexpr size_t kRecParent = 16522;
constexpr size_t kRecChild = 16526;
constexpr size_t kRecNext = 16530;

namespace {

int32_t ReadInt(const unsigned char* p) {
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

struct Flags {
    bool parent, child, next;
};

Flags ReadFlags(const unsigned char* rec) {
    return {ReadInt(rec + kRecParent) != 0, ReadInt(rec + kRecChild) != 0, ReadInt(rec + kRecNext) != 0};
}

// Copies a stored text field whole (bytes after the terminator included, so a
// resave gives them back); a field without a terminator is cut at 254 bytes on
// a character boundary.
void ReadField(char* dst, const unsigned char* src) {
    std::memcpy(dst, src, kNameSize);
    if (FieldLength(dst, kNameSize) == kNameSize) {
        const size_t keep = SjisPrefixLength(std::string_view(dst, kNameSize), kNameSize - 1);
        std::memset(dst + keep, 0, kNameSize - keep);
    }
}

void Damaged(QString* reason, const QString& why) {
    if (reason) *reason = why;
}

ModLoadView gDefaultView;
ModLoadView* gLoadView = &gDefaultView;

}  // namespace

ModLoadView::MeshResult ModLoadView::LoadMeshes(MOTIONOBJ* part, QString*) {
    return QFileInfo::exists(ResolveStoredPath(part->XName)) ? MeshLoaded : MeshMissing;
}

ModLoadView* CurrentLoadView() { return gLoadView; }
void SetLoadView(ModLoadView* view) { gLoadView = view ? view : &gDefaultView; }

ModError ModValidate(const unsigned char* data, size_t size, std::vector<int32_t>* parents, QString* reason) {
    const size_t headerLen = strnlen(reinterpret_cast<const char*>(data), size < kModHeaderSize ? size : kModHeaderSize);
    if (headerLen != std::strlen(kModSignature) || std::memcmp(data, kModSignature, headerLen) != 0)
        return ModError::WrongHeader;
    if (size < kModRecordsStart) {
        Damaged(reason, QStringLiteral("ファイルが途中で終わっています。"));
        return ModError::Damaged;
    }
    const int32_t n = ReadInt(data + kModHeaderSize);
    if (n < 1) {
        Damaged(reason, QStringLiteral("部品の数（%1）が正しくありません。").arg(n));
        return ModError::Damaged;
    }
    // Bounding N by the size first keeps a forged count from allocating anything.
    if ((size - kModRecordsStart) / kModRecordSize < size_t(n)) {
        Damaged(reason, QStringLiteral("ファイルが途中で終わっています（部品%1個には%2バイトが必要ですが、%3バイトしかありません）。")
                            .arg(n)
                            .arg(qulonglong(kModRecordsStart + kModRecordSize * size_t(n)))
                            .arg(qulonglong(size)));
        return ModError::Damaged;
    }

    auto record = [&](int32_t i) { return data + kModRecordsStart + kModRecordSize * size_t(i); };
    parents->assign(size_t(n), -1);
    std::vector<int32_t> open;  // parts whose children are being read, root first
    int32_t cur = 0;
    for (;;) {
        if (cur >= n) {
            Damaged(reason, QStringLiteral("部品のつながりが部品の数（%1）より多くの部品を示しています。").arg(n));
            return ModError::Damaged;
        }
        const Flags f = ReadFlags(record(cur));
        if (cur == 0 && (f.parent || f.next)) {
            Damaged(reason, QStringLiteral("最初の部品に親か次の兄弟が記録されています。"));
            return ModError::Damaged;
        }
        if (cur > 0 && !f.parent) {
            Damaged(reason, QStringLiteral("%1番目の部品に親が記録されていません。").arg(cur + 1));
            return ModError::Damaged;
        }
        if (open.size() + 1 > size_t(kModMaxDepth)) {
            Damaged(reason, QStringLiteral("部品の階層が深すぎます（%1段まで）。").arg(kModMaxDepth));
            return ModError::Damaged;
        }
        (*parents)[size_t(cur)] = open.empty() ? -1 : open.back();
        if (f.child) {
            open.push_back(cur++);
            continue;
        }
        // The part's subtree is complete: go on with the next sibling of it or
        // of the nearest ancestor that has one.
        int32_t p = cur++;
        for (;;) {
            if (p != 0 && ReadFlags(record(p)).next) break;
            if (open.empty()) {
                if (cur != n) {
                    Damaged(reason, QStringLiteral("部品のつながりが%1個の部品しか示していませんが、部品の数は%2です。")
                                        .arg(cur)
                                        .arg(n));
                    return ModError::Damaged;
                }
                return ModError::None;
            }
            p = open.back();
            open.pop_back();
        }
    }
}

namespace {
void ReleaseThroughView(MOTIONOBJ* part, void* view) { static_cast<ModLoadView*>(view)->ReleaseMeshes(part); }
}  // namespace

ModLoadResult ModApply(const unsigned char* image, size_t size, _MOTIONDATA* data, ModLoadView* view) {
    ModLoadResult result;
    std::vector<int32_t> parents;
    result.error = ModValidate(image, size, &parents, &result.reason);
    if (result.error != ModError::None) return result;

    // The file is sound: only now does the old tree go.
    MOTIONOBJ* root = data->pTop;
    root->NextIsSibling = 0;
    view->ClearParts();
    FreeChildren(root, ReleaseThroughView, view);

    const size_t n = parents.size();
    std::vector<MOTIONOBJ*> parts(n, nullptr), lastChild(n, nullptr);
    std::vector<HTREEITEM> items(n, nullptr);
    for (size_t i = 0; i < n; ++i) {
        const unsigned char* rec = image + kModRecordsStart + kModRecordSize * i;
        MOTIONOBJ* part = root;
        if (i > 0) {
            const size_t up = size_t(parents[i]);
            if (MOTIONOBJ* prev = lastChild[up]) {
                prev->NextIsSibling = 1;
                part = OBJInitForLoad(prev);
                prev->NextIsSibling = 0;
            } else {
                part = OBJInitForLoad(parts[up]);
            }
            lastChild[up] = part;
        }
        parts[i] = part;

        for (int s = 0; s < kSlotCount; ++s) {
            const unsigned char* slot = rec + kModSlotSize * size_t(s);
            std::memcpy(&part->mSlotRot[s], slot, 64);
            std::memcpy(&part->vSlotOffset[s], slot + 64, 12);
        }
        // Every record repeats the motion set's speeds; the last one counts.
        if (i + 1 == n)
            for (int s = 0; s < kSlotCount; ++s) std::memcpy(&data->Speed[s], rec + kModSlotSize * size_t(s) + 76, 4);
        std::memcpy(&part->vHome, rec + kRecHome, 12);
        ReadField(part->Name, rec + kRecName);
        ReadField(part->XName, rec + kRecXName);

        view->Progress(int(i), int(n), part);
        view->ReleaseMeshes(part);
        if (part->XName[0]) {
            QString why;
            switch (view->LoadMeshes(part, &why)) {
                case ModLoadView::MeshLoaded: break;
                case ModLoadView::MeshMissing: result.missing << SjisToQString(part->XName); break;
                case ModLoadView::MeshUnreadable:
                    result.unreadable << QStringLiteral("%1（%2）").arg(SjisToQString(part->XName), why);
                    break;
            }
        }

        const HTREEITEM parentItem = i > 0 ? items[size_t(parents[i])] : nullptr;
        part->hItem = ReadFlags(rec).next ? parentItem : nullptr;
        items[i] = view->InsertItem(parentItem, part);
        view->AddPartEntry(part);
    }
    view->Progress(int(n), int(n), nullptr);
    return result;
}

namespace {

// The whole content of a file, read straight into an uninitialised buffer.
// Returns 0 or the errno of the failing step.
// Why a file could not be read, for the message box.
QString ReadErrorText(int err) {
    switch (err) {
        case ENOENT: return QStringLiteral("ファイルが見つかりません。");
        case EACCES:
        case EPERM: return QStringLiteral("ファイルを読む権限がありません。");
        case EISDIR: return QStringLiteral("フォルダです。");
        default:
            return QStringLiteral("ファイルを読み込めませんでした（%1）。").arg(QString::fromLocal8Bit(std::strerror(err)));
    }
}

int ReadWholeFile(const QString& path, std::unique_ptr<unsigned char[]>* buffer, size_t* size) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st {};
    int err = ::fstat(fd, &st) == 0 ? 0 : errno;
    if (!err && S_ISDIR(st.st_mode)) err = EISDIR;
    size_t n = err ? 0 : size_t(st.st_size);
    if (!err) {
        *buffer = std::make_unique_for_overwrite<unsigned char[]>(n ? n : 1);
        size_t got = 0;
        while (got < n) {
            const ssize_t k = ::read(fd, buffer->get() + got, n - got);
            if (k < 0 && errno == EINTR) continue;
            if (k < 0) {
                err = errno;
                break;
            }
            if (k == 0) break;  // the file shrank meanwhile
            got += size_t(k);
        }
        n = got;
    }
    ::close(fd);
    *size = n;
    return err;
}

}  // namespace

ModLoadResult ModReadFile(const QString& path, _MOTIONDATA* data, ModLoadView* view) {
    std::unique_ptr<unsigned char[]> bytes;
    size_t size = 0;
    if (const int err = ReadWholeFile(path, &bytes, &size)) {
        ModLoadResult result;
        result.error = ModError::CannotOpen;
        result.reason = ReadErrorText(err);
        return result;
    }
    return ModApply(bytes.get(), size, data, view);
}

std::string ModBuild(const _MOTIONDATA* data, const MOTIONOBJ* root) {
    const int64_t n = CountParts(root);
    std::string out;
    out.resize(kModRecordsStart + kModRecordSize * size_t(n));
    char* w = out.data();
    std::memset(w, 0, kModHeaderSize);
    std::memcpy(w, kModSignature, std::strlen(kModSignature));
    const int32_t count = int32_t(n);
    std::memcpy(w + kModHeaderSize, &count, 4);
    w += kModRecordsStart;
    auto* top = const_cast<MOTIONOBJ*>(root);
    for (MOTIONOBJ* p = top; p; p = NextInWalk(p, root), w += kModRecordSize) {
        for (int s = 0; s < kSlotCount; ++s) {
            char* slot = w + kModSlotSize * size_t(s);
            std::memcpy(slot, &p->mSlotRot[s], 64);
            std::memcpy(slot + 64, &p->vSlotOffset[s], 12);
            std::memcpy(slot + 76, &data->Speed[s], 4);
        }
        std::memcpy(w + kRecHome, &p->vHome, 12);
        std::memcpy(w + kRecName, p->Name, kNameSize);
        std::memcpy(w + kRecXName, p->XName, kNameSize);
        // Present links are written as 1; the root's siblings are never saved.
        const int32_t flags[3] = {p->pParent ? 1 : 0, p->pChild ? 1 : 0, p != root && p->pNext ? 1 : 0};
        std::memcpy(w + kRecParent, flags, sizeof flags);
    }
    return out;
}

namespace {

QString ErrnoText(int err) {
    switch (err) {
        case ENOSPC:
        case EDQUOT: return QStringLiteral("ディスクの空き容量が足りません。");
        case EACCES:
        case EPERM: return QStringLiteral("この場所に書き込む権限がありません。");
        case EROFS: return QStringLiteral("この場所は読み取り専用です。");
        case ENOENT:
        case ENOTDIR: return QStringLiteral("保存先のフォルダが見つかりません。");
        case EISDIR: return QStringLiteral("同じ名前のフォルダがあります。");
        case ENAMETOOLONG: return QStringLiteral("ファイル名が長すぎます。");
        case EIO: return QStringLiteral("書き込み中に入出力エラーが起きました。");
        default: return QStringLiteral("書き込みに失敗しました（%1）。").arg(QString::fromLocal8Bit(std::strerror(err)));
    }
}

bool WriteAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        const ssize_t k = ::write(fd, p, n);
        if (k < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += k;
        n -= size_t(k);
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const QString& path, const std::string& bytes, QString* reason) {
    const QByteArray target = QFile::encodeName(path);
    struct stat st {};
    const bool existed = ::stat(target.constData(), &st) == 0;
    if (existed && S_ISDIR(st.st_mode)) {
        *reason = ErrnoText(EISDIR);
        return false;
    }
    QByteArray tmp = target + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        *reason = ErrnoText(errno);
        return false;
    }
    mode_t mode;
    if (existed) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = WriteAll(fd, bytes.data(), bytes.size()) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tmp.constData(), target.constData()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmp.constData());
        *reason = ErrnoText(err);
        return false;
    }
    return true;
}

void FileSave(_MOTIONDATA* data, MOTIONOBJ* part, MOTIONOBJ*) {
    const QString name = LocalToQString(FileName);
    QString why;
    if (WriteFileAtomically(name, ModBuild(data, part), &why))
        MessageBoxA(QStringLiteral("%1を保存しました").arg(name), QStringLiteral("確認"), MB_OK);
    else
        MessageBoxA(QStringLiteral("%1を保存できませんでした。\n%2").arg(name, why), QStringLiteral("エラー"), MB_OK);
}

bool LoadChosenFile(_MOTIONDATA* data, bool announce) {
    const QString name = LocalToQString(FileName);
    data->pTop->NextIsSibling = 0;
    // Read first, then go to the start directory: X-file paths in the
    // records are relative to it.
    std::unique_ptr<unsigned char[]> bytes;
    size_t size = 0;
    const int err = ReadWholeFile(name, &bytes, &size);
    SetCurrentDirectoryA(CurrentPath);
    if (err) {
        MessageBoxA(QStringLiteral("%1を開けませんでした。\n%2").arg(name, ReadErrorText(err)), QStringLiteral("エラー"),
                    MB_OK);
        return false;
    }

    const ModLoadResult r = ModApply(bytes.get(), size, data, gLoadView);
    switch (r.error) {
        case ModError::None: break;
        case ModError::WrongHeader:
            MessageBoxA(QStringLiteral("ファイルが違います。"), QStringLiteral("エラー"), MB_OK);
            return false;
        case ModError::CannotOpen:
        case ModError::Damaged:
            MessageBoxA(QStringLiteral("%1は壊れているため読み込めません。\n%2").arg(name, r.reason),
                        QStringLiteral("エラー"), MB_OK);
            return false;
    }
    // The old parts are gone; the root is the selection now.
    pGet = data->pTop;

    if (announce) MessageBoxA(QStringLiteral("%1をよみこみました").arg(name), QStringLiteral("確認"), MB_OK);
    if (!r.missing.isEmpty() || !r.unreadable.isEmpty()) {
        QString text;
        if (!r.missing.isEmpty()) {
            for (const QString& m : r.missing) text += m + QLatin1Char('\n');
            text += QStringLiteral("上記のファイルが見つかりません");
        }
        if (!r.unreadable.isEmpty()) {
            if (!text.isEmpty()) text += QLatin1Char('\n');
            for (const QString& u : r.unreadable) text += u + QLatin1Char('\n');
            text += QStringLiteral("上記のファイルは読み込めません");
        }
        MessageBoxA(text, QStringLiteral("読込失敗"), MB_OK);
    }
    return true;
}

void FileLoad(_MOTIONDATA* data, MOTIONOBJ*, MOTIONOBJ*) { LoadChosenFile(data, true); }
