// The pose panel and the commands it shares with the other pages (see pose_panel.h).
#include "pose_panel.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>

#include "anime_panel.h"
#include "files/modfile.h"
#include "input/input.h"
#include "panel_host.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "platform/sjis.h"
#include "playback/anime.h"
#include "render/frame.h"
#include "tree_panel.h"

int32_t Nost = 0, Noen = 0;

namespace {

const DlgItem kItems1[] = {
    {Ctl::Label, -1, "背景色", 113, 13, 29, 10},
    {Ctl::Label, -1, "赤", 90, 22, 8, 8},
    {Ctl::Label, -1, "緑", 121, 22, 8, 8},
    {Ctl::Label, -1, "青", 152, 23, 8, 8},
    {Ctl::Label, -1, "現在選択中のパーツ", 0, 14, 75, 10},
    {Ctl::DropList, 1005, "", 0, 30, 77, 96},
    {Ctl::ReadOnlyNumberEdit, 1050, "", 80, 31, 27, 12},
    {Ctl::ReadOnlyNumberEdit, 1051, "", 111, 31, 27, 12},
    {Ctl::ReadOnlyNumberEdit, 1052, "", 142, 31, 27, 12},
    {Ctl::Label, -1, "回転・移動軸設定", 54, 48, 63, 10},
    {Ctl::CheckBox, 1020, "回転モード", 20, 60, 51, 10},
    {Ctl::CheckBox, 1021, "移動モード", 87, 60, 51, 10},
    {Ctl::CheckBox, 1022, "X軸モード", 20, 76, 47, 10},
    {Ctl::CheckBox, 1023, "Y軸モード", 68, 76, 47, 10},
    {Ctl::CheckBox, 1024, "Z軸モード", 115, 76, 47, 10},
    {Ctl::AutoCheckBox, 1016, "回転時に子を回転させない", 19, 92, 101, 10},
    {Ctl::Button, 1032, "180°回転", 19, 105, 124, 14},
    {Ctl::Button, 1025, "現在のパーツをクリア", 0, 121, 78, 14},
    {Ctl::Button, 1026, "全てのパーツをクリア", 89, 122, 81, 14},
    {Ctl::Button, 1027, "現在の全てのパーツ座標を初期配置に変更", 0, 137, 170, 14},
    {Ctl::Label, -1, "アニメーション速度変更", 51, 162, 74, 9},
    {Ctl::Label, -1, "アニメーション速度", 27, 197, 63, 9},
    {Ctl::ReadOnlyNumberEdit, 1028, "", 92, 195, 27, 12},
    {Ctl::Button, 1029, "リセット", 125, 194, 34, 14},
    {Ctl::Label, -1, "現在の保存番号", 30, 216, 56, 11},
    {Ctl::ReadOnlyNumberEdit, 1017, "", 91, 214, 29, 12},
    {Ctl::Label, -1, "番", 124, 216, 9, 11},
    {Ctl::CenteredLabel, -1, "アニメーション\n開始番号", 18, 233, 54, 17},
    {Ctl::CenteredLabel, -1, "アニメーション\n終了番号", 99, 232, 54, 17},
    {Ctl::ReadOnlyEdit, 1009, "", 21, 252, 50, 13},
    {Ctl::ReadOnlyEdit, 1010, "", 98, 252, 50, 13},
    {Ctl::Button, 1011, "番号セット", 21, 269, 48, 17},
    {Ctl::Button, 1012, "番号セット", 98, 269, 48, 17},
    {Ctl::Button, 1014, "再生", 20, 299, 49, 17},
    {Ctl::Button, 1015, "停止", 97, 300, 50, 17},
    {Ctl::Button, 1001, "保存", 19, 327, 50, 14},
    {Ctl::Button, 1002, "読込", 98, 327, 50, 14},
    {Ctl::Button, 1003, "ファイル保存", 18, 350, 50, 14},
    {Ctl::Button, 1004, "ファイル読込", 98, 350, 50, 14},
};

bool Confirm(const QString& text, const QString& caption) {
    return MessageBoxA(text, caption, MB_YESNO) == IDYES;
}
void Notice(const QString& text, const QString& caption) { MessageBoxA(text, caption, MB_OK); }

QString Title() { return QStringLiteral("ファイル選択"); }

void SaveFile() {
    if (!Confirm(QStringLiteral("現在の状況をファイルに保存しますか？"), QStringLiteral("保存確認"))) return;
    const QStringList filters = {QStringLiteral("*.mod (*.mod)"), QStringLiteral("全てのファイル (*)")};
    for (;;) {
        int filter = 0;
        if (!AskPanelFile(true, filters, &filter)) return;
        CharLowerA(FileName);
        if (filter == 0 && !HasExtension(FileName, ".mod")) {
            if (std::strlen(FileName) + 4 >= sizeof FileName) {
                Notice(QStringLiteral("ファイル名が長すぎます"), QStringLiteral("エラー"));
                return;
            }
            std::strcat(FileName, ".mod");
        }
        // Ask about the file that will really be written: with ".mod" added it
        // may not be the one the dialog saw.
        const QString target = LocalToQString(FileName);
        if (QFileInfo::exists(target) &&
            !Confirm(QStringLiteral("%1 は既に存在します。\n上書きしますか？").arg(target), Title()))
            continue;
        break;
    }
    FileSave(&Cha, Cha.pTop, Cha.pTop);
}

void LoadFile() {
    if (!Confirm(QStringLiteral("ファイルを読み込みますか？"), QStringLiteral("読込確認"))) return;
    const QStringList filters = {QStringLiteral("modファイル (*.mod)"), QStringLiteral("全てのファイル (*)")};
    int filter = 0;
    if (!AskPanelFile(false, filters, &filter)) return;
    // The kind is judged case-blind; the file is opened under its own name,
    // since this file system tells walk.MOD from walk.mod.
    char lowered[sizeof FileName];
    std::memcpy(lowered, FileName, sizeof lowered);
    CharLowerA(lowered);
    if (!HasExtension(lowered, ".mod")) {
        CannotOpenNotice();
        return;
    }
    // The reader checks the whole file before it lets go of the open
    // choreography; only a file it took has emptied and refilled the lists.
    if (!LoadChoreography()) return;
    ComboSelect(g_hwnd_Dlg[0], 1005, 0);
    ComboSelect(g_hwnd_Dlg[1], 1005, 0);
}

void Play(HWND page) {
    if (Btflg != 0) return;
    const int start = GetDlgItemInt(page, 1009, 3);
    const int end = GetDlgItemInt(page, 1010, 3);
    pGet = Cha.pTop;
    if (start >= end) {
        Notice(QStringLiteral("終了番号を開始番号より大きい数字で\n設定してください"),
               QStringLiteral("エラー"));
        return;
    }
    if (!Confirm(QStringLiteral("%1～%2までを再生しますか？").arg(Nost).arg(Noen),
                 QStringLiteral("順番に再生")))
        return;
    Cha.StartNo = Nost;
    Cha.EndNo = Noen;
    Cha.StartReq = 1;
    Btflg = 2;
    ComboSelect(page, 1005, 0);
}

void SetMode(HWND page, int on, int off, int32_t mode) {
    CheckDlgButton(page, on, true);
    CheckDlgButton(page, off, false);
    Modeflg = mode;
}

void SetAxis(HWND page, int axis) {
    for (int i = 1; i <= 3; ++i) CheckDlgButton(page, 1021 + i, i == axis);
    Zikuflg = axis;
}

}  // namespace

const DlgTemplate DIALOG1 = {177, 446, false, kItems1};

QString PartText(const MOTIONOBJ* part) {
    return SjisToQString(std::string_view(part->Name, FieldLength(part->Name, kNameSize)));
}

bool TypedName(const QString& text, std::string* sjis) {
    if (!QStringToSjis(text, sjis)) return false;
    sjis->resize(SjisPrefixLength(*sjis, kNameSize - 1));
    return true;
}

MOTIONOBJ* FindPart(const char* sjis) {
    for (MOTIONOBJ* p = Cha.pTop; p; p = NextInWalk(p, Cha.pTop))
        if (std::strncmp(p->Name, sjis, kNameSize) == 0) return p;
    return nullptr;
}

bool HasExtension(const char* name, const char* ext) {
    const size_t n = std::strlen(name), e = std::strlen(ext);
    if (n < e) return false;
    for (size_t i = 0; i < e; ++i) {
        char c = name[n - e + i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != ext[i]) return false;
    }
    return true;
}

void CannotOpenNotice() { Notice(QStringLiteral("ファイルが開けません"), QStringLiteral("エラー")); }

bool AskPanelFile(bool save, const QStringList& filters, int* filterIndex) {
    FileQuestion q;
    q.title = Title();
    q.filters = filters;
    q.startDir = LocalToQString(CurrentPath);
    q.save = save;
    q.startFile = LocalToQString(FullFileName);
    q.filterIndex = 0;
    const FileAnswer a = CurrentPrompter()->AskFile(q);
    if (!a.accepted || a.path.isEmpty()) return false;
    const QFileInfo info(a.path);
    const std::string full = QStringToLocal(info.absoluteFilePath());
    const std::string name = QStringToLocal(info.fileName());
    if (full.size() >= sizeof FullFileName) {
        Notice(QStringLiteral("ファイル名が長すぎます\n%1").arg(a.path), QStringLiteral("エラー"));
        return false;
    }
    std::memset(FullFileName, 0, sizeof FullFileName);
    std::memcpy(FullFileName, full.data(), full.size());
    std::memset(FileName, 0, sizeof FileName);
    std::memcpy(FileName, name.data(), name.size());
    SetCurrentDirectoryA(QStringToLocal(info.absolutePath()).c_str());
    *filterIndex = a.filterIndex;
    return true;
}

bool SharedCommand(HWND, int id) {
    MOTIONOBJ* top = Cha.pTop;
    switch (id) {
        case 1001:
            if (Confirm(QStringLiteral("現在の状況を保存番号 %1 番に保存しますか？").arg(No),
                        QStringLiteral("保存確認")))
                DataSave(top, top);
            return true;
        case 1002:
            if (Confirm(QStringLiteral("保存番号 %1 番を読み込みますか？").arg(No),
                        QStringLiteral("読込確認")))
                DataLoad(top, top);
            return true;
        case 1003:
            SaveFile();
            return true;
        case 1004:
            LoadFile();
            return true;
        case 1025:
            if (Confirm(QStringLiteral("現在のパーツ状況を初期化しますか？"), QStringLiteral("確認")))
                PartsClear(pGet);
            return true;
        case 1026:
            if (Confirm(QStringLiteral("全てのパーツ状況を初期化しますか？"), QStringLiteral("確認")))
                AllClear(&Cha, top, top);
            return true;
        default:
            return false;
    }
}

INT_PTR DialogProc1(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    static HWND hTrack, hUpdown, hUpdownR, hUpdownG, hUpdownB;
    static int32_t reset;

    // After a press on either slider this list shows the root's entry again
    // (the current part stays as it was).
    if (Trackflg == 1) {
        ComboSelect(page, 1005, 0);
        Trackflg = 0;
    }

    switch (message) {
        case WM_INITDIALOG:
            hTrack = CreateSpeedSlider(page, 280, &reset);
            hNow = GetDlgItem(page, 1028);
            hUpdown = CreateUpDown(page, 1017, 0, 199, No);
            hUpdownR = CreateUpDown(page, 1050, 0, 255, Red);
            hUpdownG = CreateUpDown(page, 1051, 0, 255, Green);
            hUpdownB = CreateUpDown(page, 1052, 0, 255, Blue);
            ComboAdd(page, 1005, QStringLiteral("全身"));
            ComboSelect(page, 1005, 0);
            CheckDlgButton(page, 1020, true);
            CheckDlgButton(page, 1022, true);
            SetDlgItemInt(page, 1009, No);
            SetDlgItemInt(page, 1010, No);
            SetDlgItemInt(page, 1017, No);
            SetDlgItemInt(page, 1050, Red);
            SetDlgItemInt(page, 1051, Green);
            SetDlgItemInt(page, 1052, Blue);
            return 1;

        case WM_VSCROLL: {
            const HWND from = reinterpret_cast<HWND>(lParam);
            const int p = HIWORD(wParam);
            if (from == hUpdown) {
                No = p;
                SetDlgItemInt(page, 1017, No);
                SetDlgItemInt(g_hwnd_Dlg[2], 1017, No);
            } else if (from == hUpdownR) {
                Red = p;
                SetDlgItemInt(page, 1050, Red);
            } else if (from == hUpdownG) {
                Green = p;
                SetDlgItemInt(page, 1051, Green);
            } else if (from == hUpdownB) {
                Blue = p;
                SetDlgItemInt(page, 1052, Blue);
            }
            return 1;
        }

        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (SharedCommand(page, id)) return 1;
            switch (id) {
                case 1005:
                    if (HIWORD(wParam) == CBN_SELCHANGE) SelectPartFromList(page, g_hwnd_Dlg[1]);
                    break;
                case 1011:
                    Nost = No;
                    SetDlgItemInt(page, 1009, Nost);
                    break;
                case 1012:
                    Noen = No;
                    SetDlgItemInt(page, 1010, Noen);
                    break;
                case 1014:
                    Play(page);
                    break;
                case 1015:
                    Cha.Playing = 0;
                    Btflg = 0;
                    break;
                case 1016:
                    NoChildflg = IsDlgButtonChecked(page, 1016) ? 1 : 0;
                    break;
                case 1020:
                    SetMode(page, 1020, 1021, 0);
                    break;
                case 1021:
                    SetMode(page, 1021, 1020, 1);
                    break;
                case 1022:
                    SetAxis(page, 1);
                    break;
                case 1023:
                    SetAxis(page, 2);
                    break;
                case 1024:
                    SetAxis(page, 3);
                    break;
                case 1027:
                    if (Confirm(QStringLiteral("全てのパーツ座標を初期配置に変更しますか？"),
                                QStringLiteral("確認"))) {
                        PositionSave(Cha.pTop, Cha.pTop);
                        Notice(QStringLiteral("初期配置を変更しました"), QStringLiteral("確認"));
                    }
                    break;
                case 1029:
                    SpeedReset(page, hTrack, reset);
                    break;
                case 1032:
                    YMirror(Cha.pTop);
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
