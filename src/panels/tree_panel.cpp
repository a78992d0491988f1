// The part tree panel and the operations that keep tree view, part lists and
// current part in step (see tree_panel.h).
#include "tree_panel.h"

#include <QProgressDialog>
#include <cstring>
#include <memory>

#include "panel_host.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "platform/sjis.h"
#include "pose_panel.h"
#include "render/meshes.h"

HWND hTree = nullptr;
char AddName[kNameSize];
MOTIONOBJ* pSave = nullptr;
MOTIONOBJ* pC = nullptr;
MOTIONOBJ* pM = nullptr;

namespace {

const DlgItem kItems2[] = {
    {Ctl::Label, -1, "現在選択中のパーツ", 13, 275, 68, 10},
    {Ctl::DropList, 1005, "", 84, 274, 77, 96},
    {Ctl::Button, 1025, "現在のパーツをクリア", 3, 298, 78, 14},
    {Ctl::Button, 1026, "全てのパーツをクリア", 88, 298, 81, 14},
    {Ctl::Label, -1, "現在の保存番号", 55, 318, 56, 11},
    {Ctl::NumberEdit, 1017, "", 121, 316, 25, 12},
    {Ctl::Label, -1, "番", 149, 318, 9, 11},
    {Ctl::Button, 1001, "保存", 20, 334, 50, 14},
    {Ctl::Button, 1002, "読込", 99, 334, 50, 14},
};

HWND Pose() { return g_hwnd_Dlg[0]; }
HWND Tree() { return g_hwnd_Dlg[1]; }

void Notice(const QString& text, const QString& caption) { MessageBoxA(text, caption, MB_OK); }
bool Confirm(const QString& text, const QString& caption) {
    return MessageBoxA(text, caption, MB_YESNO) == IDYES;
}

// Names are stored in CP932; a name it cannot hold would not survive the file.
QString kNotEncodable() { return QStringLiteral("この名前にはファイルに保存できない文字が含まれています"); }

// First index, among this page's entries, at which the pose page's list bears `text`.
int EntryOf(const QString& text) {
    const int n = ComboCount(Tree(), 1005);
    for (int i = 0; i < n; ++i)
        if (ComboText(Pose(), 1005, i) == text) return i;
    return n;
}

void SelectBoth(int i) {
    ComboSelect(Tree(), 1005, i);
    ComboSelect(Pose(), 1005, i);
}

void DeleteBoth(int i) {
    ComboDelete(Tree(), 1005, i);
    ComboDelete(Pose(), 1005, i);
}

// The part's name leaves both lists: the first entry of this page's list
// bearing it, and the same index on the pose page.
void RemoveEntry(const MOTIONOBJ* part) {
    const int i = ComboFind(Tree(), 1005, PartText(part));
    if (i >= 0) DeleteBoth(i);
}

void SelectEntry(const MOTIONOBJ* part) {
    const int i = ComboFind(Tree(), 1005, PartText(part));
    if (i >= 0) SelectBoth(i);
}

void Unlink(MOTIONOBJ* part, MOTIONOBJ* top, bool wholeTree) {
    if (part == top || part->pParent != top) return;
    if (top->pChild == part) {
        if (wholeTree) {
            top->pChild = nullptr;  // the siblings go too
        } else {
            top->pChild = part->pNext;
            part->pNext = nullptr;
        }
    } else if (!wholeTree) {
        MOTIONOBJ* prev = top->pChild;
        while (prev && prev->pNext != part) prev = prev->pNext;
        if (prev) prev->pNext = part->pNext;
        part->pNext = nullptr;
    }
}

// Asks for an X file; false when cancelled.
bool AskXFile() {
    int filter = 0;
    return AskPanelFile(false, {QStringLiteral("xファイル (*.x)"), QStringLiteral("全てのファイル (*)")},
                        &filter);
}

void AddPart() {
    GetMySelect(hTree);
    HTREEITEM selected = TreeGetSelection(hTree);
    if (!selected) return;
    if (CurrentPrompter()->AskName(QStringLiteral("名前を入力"), DialogProc4) != IDOK) {
        pGet = pSave;  // the dialog's Cancel
        return;
    }
    const QString name = SjisToQString(std::string_view(AddName, FieldLength(AddName, kNameSize)));
    HTREEITEM item = TreeInsertItem(hTree, selected, name);
    TreeEnsureVisible(hTree, item);

    pC = pGet;
    if (pC->pChild) {
        pC = pC->pChild;
        while (pC->pNext) pC = pC->pNext;
        pC->NextIsSibling = 1;
    }
    OBJInit(pC, AddName);
    ComboAdd(Pose(), 1005, name);
    ComboAdd(Tree(), 1005, name);
    pGet = pC->NextIsSibling == 0 ? pC->pChild : pC->pNext;
    const int i = EntryOf(PartText(pGet));
    SelectBoth(i);

    if (AskXFile()) {
        CharLowerA(FileName);
        if (HasExtension(FileName, ".x")) {
            XFileLoad(pGet);
            pC->NextIsSibling = 0;
            return;
        }
        CannotOpenNotice();
    }
    // No mesh chosen: the new part goes again.
    ReleasePartMeshes(pGet);
    delete pGet;
    if (pC->NextIsSibling == 0) {
        pC->pChild = nullptr;
    } else {
        pC->pNext = nullptr;
        pC->NextIsSibling = 0;
        pC = pC->pParent;
    }
    TreeDeleteItem(hTree, item);
    DeleteBoth(i);
    SETCURSEL(pC);
    pGet = pC;
}

void ChangeXFile() {
    GetMySelect(hTree);
    if (pGet == Cha.pTop) {
        SETCURSEL(pGet);
        return;
    }
    if (Confirm(QStringLiteral("Xファイルを変更しますか？"), QStringLiteral("読込確認")) && AskXFile()) {
        CharLowerA(FileName);
        if (!HasExtension(FileName, ".x")) {
            CannotOpenNotice();
            return;
        }
        XFileLoad(pGet);
    }
    SETCURSEL(pGet);
}

void DeletePart() {
    GetMySelect(hTree);
    if (pGet == Cha.pTop) {
        SETCURSEL(pGet);
        return;
    }
    if (!Confirm(QStringLiteral("パーツを削除しますか？"), QStringLiteral("確認"))) return;
    HTREEITEM item = TreeGetSelection(hTree);
    TreeDelete(pGet, pGet->pParent, pGet->pParent);
    TreeDeleteItem(hTree, item);
}

// The end of a label edit. The tree never applies the text itself.
void EndLabelEdit(const NMTVDISPINFO* info, int32_t* flg, char* strtmp) {
    if (*flg == 0) {
        GetMySelect(hTree);
        *flg = 1;
    }
    if (!info->text) {
        *flg = 0;
        return;
    }
    HTREEITEM item = TreeGetSelection(hTree);
    std::memcpy(strtmp, pGet->Name, kNameSize);
    auto refuse = [&](const QString& why) {
        Notice(why, QStringLiteral("エラー"));
        TreeSetItemText(hTree, item, PartText(pGet));
        TreeEditLabel(hTree, item);  // flg stays 1: the new edit is for the same part
    };
    std::string name;
    if (!TypedName(*info->text, &name)) {
        refuse(kNotEncodable());
        return;
    }
    if (FindPart(name.c_str()) && std::strncmp(name.c_str(), pGet->Name, kNameSize) != 0) {
        refuse(QStringLiteral("すでに同じ名前のものが存在します"));
        return;
    }
    if (name.empty()) {
        refuse(QStringLiteral("名前を入力してください"));
        return;
    }
    SjisCopyField(pGet->Name, kNameSize, name);
    const QString shown = PartText(pGet);
    TreeSetItemText(hTree, item, shown);
    const int i = EntryOf(SjisToQString(std::string_view(strtmp, FieldLength(strtmp, kNameSize))));
    DeleteBoth(i);
    ComboInsert(Tree(), 1005, i, shown);
    ComboInsert(Pose(), 1005, i, shown);
    SelectBoth(i);
    *flg = 0;
}

const MenuEntry kMenu[] = {
    {ID_SELECT, QStringLiteral("選択")},           {ID_ADDPARTS, QStringLiteral("パーツを追加")},
    {ID_XFILE, QStringLiteral("Xファイルを変更")}, {ID_RENAME, QStringLiteral("名前を変更")},
    {ID_DELETE, QStringLiteral("パーツを削除")},
};

class PanelView : public ModLoadView {
public:
    bool cleared = false;
    void ClearParts() override {
        cleared = true;
        TreeDeleteAll(hTree);
        while (ComboCount(Pose(), 1005)) ComboDelete(Pose(), 1005, 0);
        while (ComboCount(Tree(), 1005)) ComboDelete(Tree(), 1005, 0);
    }
    void ReleaseMeshes(MOTIONOBJ* part) override { ReleasePartMeshes(part); }
    MeshResult LoadMeshes(MOTIONOBJ* part, QString* why) override { return LoadPartMeshes(part, why); }
    HTREEITEM InsertItem(HTREEITEM parent, const MOTIONOBJ* part) override {
        HTREEITEM item = TreeInsertItem(hTree, parent, PartText(part));
        TreeEnsureVisible(hTree, item);
        return item;
    }
    void AddPartEntry(const MOTIONOBJ* part) override {
        ComboAdd(Pose(), 1005, PartText(part));
        ComboAdd(Tree(), 1005, PartText(part));
    }
    // Meshes that take long to load show a progress dialog (after half a
    // second) naming the part; it cannot be cancelled, so no part is left
    // without the mesh its file names.
    void Progress(int done, int total, const MOTIONOBJ* part) override {
        if (!part) {
            progress_.reset();
            return;
        }
        if (!progress_) {
            progress_ = std::make_unique<QProgressDialog>(g_hwnd);
            progress_->setWindowTitle(QStringLiteral("読込中"));
            progress_->setCancelButton(nullptr);
            progress_->setWindowModality(Qt::WindowModal);
            progress_->setMinimumDuration(500);
            progress_->setRange(0, total);
        }
        progress_->setLabelText(QStringLiteral("%1 を読み込んでいます").arg(PartText(part)));
        progress_->setValue(done);
    }

private:
    std::unique_ptr<QProgressDialog> progress_;
};
PanelView gView;

}  // namespace

const DlgTemplate DIALOG2 = {173, 443, true, kItems2};

ModLoadView* PanelLoadView() { return &gView; }

bool LoadChoreography() {
    ModLoadView* before = CurrentLoadView();
    SetLoadView(&gView);
    gView.cleared = false;
    FileLoad(&Cha, Cha.pTop, Cha.pTop);
    SetLoadView(before);
    return gView.cleared;
}

void GetPointer(MOTIONOBJ* part, MOTIONOBJ*, const char* name) {
    for (MOTIONOBJ* p = part; p; p = NextInWalk(p, part))
        if (std::strncmp(p->Name, name, kNameSize) == 0) {
            pGet = p;
            return;
        }
}

void GetMySelect(HWND tree) {
    HTREEITEM item = TreeGetSelection(tree);
    if (!item) return;
    pSave = pGet;
    pC = pM = Cha.pTop;
    std::string name;
    // A label CP932 cannot hold names no part.
    if (!TypedName(TreeGetItemText(tree, item), &name)) return;
    GetPointer(Cha.pTop, Cha.pTop, name.c_str());
}

void SETCURSEL(MOTIONOBJ* part) {
    if (!part) return;
    const int i = ComboFind(Pose(), 1005, PartText(part));
    if (i < 0) return;
    ComboSelect(Pose(), 1005, i);
    ComboSelect(Tree(), 1005, i);
}

void TreeDelete(MOTIONOBJ* part, MOTIONOBJ* parent, MOTIONOBJ* top) {
    const bool wholeTree = Cha.pTop->NextIsSibling == 1;
    // Siblings are walked in a loop, children by recursion: the stack grows
    // with the depth of the tree only.
    while (part) {
        Unlink(part, top, wholeTree);
        if (part->pChild) TreeDelete(part->pChild, part, top);
        MOTIONOBJ* next = part->pNext;
        RemoveEntry(part);
        if (part != top) {
            ReleasePartMeshes(part);
            delete part;
        }
        part = next;
    }
    (void)parent;
    pGet = top;
    SelectEntry(top);
}

void SelectPartFromList(HWND page, HWND other) {
    const int i = ComboCurSel(page, 1005);
    if (i < 0) return;
    std::string name;
    if (!TypedName(ComboText(page, 1005, i), &name)) return;
    MOTIONOBJ* found = FindPart(name.c_str());
    if (!found) return;
    pGet = found;
    ComboSelect(other, 1005, i);
}

bool DialogProc4(const QString& text) {
    std::string name;
    if (!TypedName(text, &name)) {
        Notice(kNotEncodable(), QStringLiteral("エラー"));
        return false;
    }
    if (name.empty()) {
        Notice(QStringLiteral("名前を入力してください"), QStringLiteral("エラー"));
        return false;
    }
    if (FindPart(name.c_str())) {
        Notice(QStringLiteral("すでに同じ名前のものが存在します"), QStringLiteral("エラー"));
        return false;
    }
    SjisCopyField(AddName, sizeof AddName, name);
    return true;
}

INT_PTR DialogProc2(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    static HWND hUpdown;
    static char strtmp[kNameSize];
    static int32_t flg = 0;

    switch (message) {
        case WM_INITDIALOG:
            ComboAdd(page, 1005, QStringLiteral("全身"));
            ComboSelect(page, 1005, 0);
            hUpdown = CreateUpDown(page, 1017, 0, 199, No);
            SetDlgItemInt(page, 1017, No);
            hTree = CreateTreeView(page, 100, 0, 0, 254, 430);
            if (!hTree) {
                Notice(QStringLiteral("ツリー作成失敗"), QStringLiteral("OK"));
            } else {
                TreeInsertItem(hTree, nullptr, QStringLiteral("全身"));
            }
            return 1;

        case WM_VSCROLL:
            if (reinterpret_cast<HWND>(lParam) == hUpdown) {
                No = HIWORD(wParam);
                SetDlgItemInt(page, 1017, No);
            }
            return 1;

        case WM_CONTEXTMENU: {
            if (reinterpret_cast<HWND>(wParam) != hTree) return 0;
            const QPoint at(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            if (HTREEITEM item = TreeHitTest(hTree, at)) {
                TreeSelectItem(hTree, item);
                TrackPopupMenu(kMenu, at, page);
            }
            return 0;
        }

        case WM_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
            if (hdr->idFrom == 100 && hdr->code == TVN_ENDLABELEDIT)
                EndLabelEdit(reinterpret_cast<const NMTVDISPINFO*>(lParam), &flg, strtmp);
            return 0;
        }

        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            switch (id) {
                case 1001:
                case 1002:
                case 1025:
                case 1026:
                    SharedCommand(page, id);
                    break;
                case 1005:
                    if (HIWORD(wParam) == CBN_SELCHANGE) SelectPartFromList(page, Pose());
                    break;
                case ID_SELECT:
                    GetMySelect(hTree);
                    SETCURSEL(pGet);
                    break;
                case ID_ADDPARTS:
                    AddPart();
                    break;
                case ID_XFILE:
                    ChangeXFile();
                    break;
                case ID_RENAME:
                    GetMySelect(hTree);
                    flg = 1;
                    TreeEditLabel(hTree, TreeGetSelection(hTree));
                    break;
                case ID_DELETE:
                    DeletePart();
                    break;
                default:
                    break;
            }
            return 1;
        }
        default:
            return 0;
    }
}
