// The main window's menu bar. Entries carry their command ids (the
// "commandId" property of each QAction), which the command handler and
// CheckMenuItem address. The "編集" entries are handled by the part tree
// panel over its tree; in the bar they are greyed.
#pragma once

class QMenuBar;
class QWidget;

enum : int {
    IDM_SELECT = 40003,          // "選択"
    IDM_ADD_PART = 40024,        // "パーツを追加"
    IDM_CHANGE_XFILE = 40020,    // "Xファイルを変更"
    IDM_RENAME = 40025,          // "名前を変更"
    IDM_DELETE_PART = 40022,     // "パーツを削除"
    IDM_VERSION = 40016,         // "バージョン(&A)"
    IDM_FIXED_CAMERA = 40034,    // "固定カメラ"
    IDM_FOLLOW_CAMERA = 40035,   // "追尾カメラ"
    IDM_LINES = 40040,           // "ライン・スフィアを表示"
    IDM_TEXT = 40041,            // "文字を表示"
    IDM_TOON = 40049,            // "有効"
    IDM_SHADE_LIGHT = 40050,     // "薄い"
    IDM_SHADE_NORMAL = 40051,    // "標準"
    IDM_SHADE_DARK = 40052,      // "濃い"
    IDM_SHADE_BLACK = 40055,     // "真っ黒"
    IDM_OUTLINE_THIN = 40060,    // "細い"
    IDM_OUTLINE_NORMAL = 40061,  // "標準"
    IDM_OUTLINE_THICK = 40062,   // "太い"
};

// The menu bar "MENU" with its initial check marks; "編集" is greyed.
QMenuBar* LoadMainMenu(QWidget* parent);
