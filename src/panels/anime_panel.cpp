// The animation panel (see anime_panel.h).
#include "anime_panel.h"

#include "panel_host.h"
#include "platform/prompter.h"
#include "playback/anime.h"
#include "pose_panel.h"

int32_t HNost = 0, HNoen = 0;
int32_t FNost = 0, FNoen = 0;
int32_t Kflg = 0;
int32_t flamenow = 0;

namespace {

const DlgItem kItems3[] = {
    {Ctl::Label, -1, "現在の保存番号", 7, 9, 56, 11},
    {Ctl::ReadOnlyNumberEdit, 1017, "", 70, 7, 28, 12},
    {Ctl::Label, -1, "番", 101, 9, 9, 11},
    {Ctl::Label, -1, "速度", 115, 10, 17, 9},
    {Ctl::ReadOnlyNumberEdit, 1022, "", 133, 7, 25, 12},
    {Ctl::CenteredLabel, -1, "アニメーション速度設定用", 28, 33, 124, 8},
    {Ctl::ReadOnlyEdit, 1018, "", 27, 44, 50, 13},
    {Ctl::CenteredLabel, -1, "から", 79, 46, 22, 8},
    {Ctl::ReadOnlyEdit, 1019, "", 104, 44, 50, 13},
    {Ctl::Button, 1020, "番号セット", 29, 57, 48, 17},
    {Ctl::Button, 1021, "番号セット", 104, 57, 48, 17},
    {Ctl::CenteredLabel, 1032, "0", 25, 89, 17, 8},
    {Ctl::CenteredLabel, -1, "から", 41, 90, 22, 8},
    {Ctl::CenteredLabel, 1034, "0", 61, 89, 17, 8},
    {Ctl::CenteredLabel, -1, "までのアニメーション速度", 78, 90, 77, 8},
    {Ctl::ReadOnlyEdit, 1023, "", 29, 105, 50, 13},
    {Ctl::Button, 1024, "速度セット", 103, 100, 48, 17},
    {Ctl::Label, -1, "アニメーション速度変更", 49, 119, 74, 9},
    {Ctl::Label, -1, "アニメーション速度", 25, 167, 63, 9},
    {Ctl::ReadOnlyNumberEdit, 1028, "", 90, 164, 27, 12},
    {Ctl::Button, 1029, "リセット", 123, 162, 34, 14},
    {Ctl::Label, -1, "アニメーション再生用", 52, 200, 68, 10},
    {Ctl::CenteredLabel, -1, "アニメーション\n開始番号", 21, 214, 54, 17},
    {Ctl::CenteredLabel, -1, "アニメーション\n終了番号", 98, 215, 54, 17},
    {Ctl::ReadOnlyEdit, 1009, "", 23, 238, 50, 13},
    {Ctl::ReadOnlyEdit, 1010, "", 99, 238, 50, 13},
    {Ctl::Button, 1011, "番号セット", 23, 263, 48, 17},
    {Ctl::Button, 1012, "番号セット", 100, 263, 48, 17},
    {Ctl::Button, 1036, "再生", 20, 292, 49, 17},
    {Ctl::Button, 1015, "停止", 98, 292, 50, 17},
    {Ctl::Button, 1001, "保存", 19, 318, 50, 14},
    {Ctl::Button, 1002, "読込", 98, 318, 50, 14},
    {Ctl::Button, 1003, "ファイル保存", 19, 342, 50, 14},
    {Ctl::Button, 1004, "ファイル読込", 98, 342, 50, 14},
};

void Play(HWND page) {
    if (Btflg != 0) return;
    const int start = GetDlgItemInt(page, 1009, 3);
    const int end = GetDlgItemInt(page, 1010, 3);
    pGet = Cha.pTop;
    if (start >= end) {
        MessageBoxA(QStringLiteral("終了番号を開始番号より大きい数字で\n設定してください"),
                    QStringLiteral("エラー"), MB_OK);
        return;
    }
    if (MessageBoxA(QStringLiteral("再生しますか？"), QStringLiteral("順番に再生"), MB_YESNO) != IDYES)
        return;
    Cha.StartNo = FNost;
    Cha.EndNo = FNoen;
    Cha.StartReq = 1;
    Btflg = 3;
}

}  // namespace

const DlgTemplate DIALOG3 = {177, 446, false, kItems3};

void Keisan(_MOTIONDATA* data) {
    if (Kflg == 1) {
        for (int i = HNost; i <= HNoen; ++i)
            if (i >= 0 && i < kSlotCount) data->Speed[i] = AnimeFramePlus;
        Kflg = 0;
    }
    flamenow = No >= 0 && No < kSlotCount ? int32_t(data->Speed[No] * 100.0f) : 0;
}

INT_PTR DialogProc3(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    static HWND hUpdown, hTrack;
    static int32_t reset;

    switch (message) {
        case WM_INITDIALOG:
            hUpdown = CreateUpDown(page, 1017, 0, 199, No);
            SetDlgItemInt(page, 1017, No);
            hTrack = CreateSpeedSlider(page, 220, &reset);
            hNow2 = GetDlgItem(page, 1028);
            SetDlgItemInt(page, 1009, No);
            SetDlgItemInt(page, 1010, No);
            HNost = HNoen = No;
            SetDlgItemInt(page, 1018, HNost);
            SetDlgItemInt(page, 1019, HNoen);
            SetDlgItemInt(page, 1022, int32_t(AnimeFramePlus * 100.0f));
            return 1;

        case WM_VSCROLL:
            if (reinterpret_cast<HWND>(lParam) == hUpdown) {
                No = HIWORD(wParam);
                SetDlgItemInt(page, 1017, No);
                SetDlgItemInt(g_hwnd_Dlg[0], 1017, No);
                Keisan(&Cha);
                SetDlgItemInt(page, 1022, flamenow);
            }
            return 1;

        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            switch (id) {
                case 1001:
                case 1002:
                case 1003:
                case 1004:
                    SharedCommand(page, id);
                    break;
                case 1011:
                    FNost = No;
                    SetDlgItemInt(page, 1009, FNost);
                    break;
                case 1012:
                    FNoen = No;
                    SetDlgItemInt(page, 1010, FNoen);
                    break;
                case 1015:
                    Cha.Playing = 0;
                    Btflg = 0;
                    break;
                case 1020:
                    HNost = No;
                    SetDlgItemInt(page, 1018, HNost);
                    SetDlgItemInt(page, 1032, HNost);
                    break;
                case 1021:
                    HNoen = No;
                    SetDlgItemInt(page, 1019, HNoen);
                    SetDlgItemInt(page, 1034, HNoen);
                    break;
                case 1024:
                    Kflg = 1;
                    Keisan(&Cha);
                    SetDlgItemInt(page, 1023, int32_t(AnimeFramePlus * 100.0f));
                    break;
                case 1029:
                    SpeedReset(page, hTrack, reset);
                    break;
                case 1036:
                    Play(page);
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
