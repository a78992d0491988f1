// Pages of controls addressed by numeric ids, with a page handler that
// receives the controls' events as messages: the panel code then reads as a
// list of steps over ids (SetDlgItemInt(page, 1017, No), ComboSelect(...)).
//
// A page is built from a table of controls placed in dialog units of an
// 8-point font. Up-downs are spin boxes over their edits; they keep their own
// position and never write the edit themselves, the page does. Sliders report
// the left button's press and release to a hook in front of their own
// handling. The tree view reports the end of a label edit without applying
// the text. Context menus go through the prompter, so tests can answer them.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <cstdint>
#include <span>

#include "hwnd.h"
#include "prompter.h"

typedef void* HTREEITEM;
typedef unsigned int UINT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t INT_PTR;

// A page handler: returns nonzero when it handled the message.
typedef INT_PTR (*DLGPROC)(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Messages a page handler receives.
enum : UINT {
    WM_NULL = 0,     // nothing; lets a page run what it does before every message
    WM_INITDIALOG,   // once, when the page has its controls
    WM_COMMAND,      // wParam: id (low 16 bits), notification (high 16 bits); lParam: the control
    WM_VSCROLL,      // an up-down moved: wParam high 16 bits = new position; lParam: the up-down
    WM_NOTIFY,       // lParam: NMHDR* (tree view notifications)
    WM_CONTEXTMENU,  // wParam: the control clicked; lParam: screen position (MAKELPARAM(x, y))
    WM_LBUTTONDOWN,  // slider hooks only
    WM_LBUTTONUP,
};

// Notification codes of WM_COMMAND.
enum : int { BN_CLICKED = 0, CBN_SELCHANGE = 1 };
// Notification codes of WM_NOTIFY.
enum : int { TVN_ENDLABELEDIT = 1 };

inline int LOWORD(WPARAM w) { return int(w & 0xFFFF); }
inline int HIWORD(WPARAM w) { return int((w >> 16) & 0xFFFF); }
inline WPARAM MAKEWPARAM(int lo, int hi) {
    return WPARAM(uint32_t(lo & 0xFFFF) | (uint32_t(hi & 0xFFFF) << 16));
}
inline LPARAM MAKELPARAM(int lo, int hi) {
    return LPARAM(int32_t(uint32_t(lo & 0xFFFF) | (uint32_t(hi & 0xFFFF) << 16)));
}
inline int GET_X_LPARAM(LPARAM l) { return int16_t(l & 0xFFFF); }
inline int GET_Y_LPARAM(LPARAM l) { return int16_t((l >> 16) & 0xFFFF); }

struct NMHDR {
    HWND hwndFrom;
    int idFrom;
    int code;
};
// End of a label edit: text is null when the edit was cancelled.
struct NMTVDISPINFO {
    NMHDR hdr;
    HTREEITEM hItem;
    const QString* text;
};

// Kinds of control in a page table.
enum class Ctl {
    Label,  // text, left-aligned; "\n" breaks lines
    CenteredLabel,
    Edit,  // one line of text
    ReadOnlyEdit,
    NumberEdit,  // digits only; can carry an up-down (CreateUpDown)
    ReadOnlyNumberEdit,
    Button,
    CheckBox,      // a click only reports; the page sets the check
    AutoCheckBox,  // a click toggles the check, then reports
    DropList,      // unsorted drop-down list
};

// One control; position and size in dialog units. `text` is UTF-8.
struct DlgItem {
    Ctl kind;
    int id;  // -1 for a label without id
    const char* text;
    int x, y, w, h;
};

struct DlgTemplate {
    int w, h;  // dialog units
    bool sunkenEdge;
    std::span<const DlgItem> items;
};

// Dialog units of the 8-point page font, in pixels.
QRect DialogUnits(int x, int y, int w, int h);

// Builds a page inside `parent` at its top-left corner, hidden, and sends it
// WM_INITDIALOG.
HWND CreateDialogPage(HWND parent, const DlgTemplate& tmpl, DLGPROC proc);
// Delivers a message to a page's handler.
INT_PTR SendPageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

HWND GetDlgItem(HWND page, int id);
int GetDlgCtrlID(HWND control);

// Text of a label, edit or button by handle.
void SetWindowText(HWND control, const QString& text);
QString GetWindowText(HWND control);

void SetDlgItemText(HWND page, int id, const QString& text);
QString GetDlgItemText(HWND page, int id);
void SetDlgItemInt(HWND page, int id, int value);
// The leading decimal digits of at most `maxChars` characters of the text
// (0 when there are none), as a C string would be read.
int GetDlgItemInt(HWND page, int id, int maxChars = 15);

void CheckDlgButton(HWND page, int id, bool checked);
bool IsDlgButtonChecked(HWND page, int id);

// Drop-down lists. Indices count from 0; -1 = none.
int ComboAdd(HWND page, int id, const QString& text);
void ComboInsert(HWND page, int id, int index, const QString& text);
void ComboDelete(HWND page, int id, int index);
void ComboSelect(HWND page, int id, int index);
int ComboCurSel(HWND page, int id);
int ComboCount(HWND page, int id);
QString ComboText(HWND page, int id, int index);
// First entry whose text equals `text` exactly, or -1.
int ComboFind(HWND page, int id, const QString& text);

// Up-down on the right edge of number edit `editId`: range and its own
// position; arrows and arrow keys send WM_VSCROLL to the page, stopping at the
// ends. Returns the up-down's handle (the messages' lParam).
HWND CreateUpDown(HWND page, int editId, int minPos, int maxPos, int pos);
int UpDownGetPos(HWND upDown);
void UpDownSetPos(HWND upDown, int pos);
// One arrow press: +1 up, -1 down (what a click on an arrow does).
void UpDownStep(HWND upDown, int steps);

// Horizontal slider with tick marks, in pixels.
HWND CreateTrackBar(HWND page, int id, int x, int y, int w, int h);
// Called with WM_LBUTTONDOWN / WM_LBUTTONUP before the slider handles them.
typedef void (*TRACKHOOK)(HWND slider, UINT message);
void SetTrackHook(HWND slider, TRACKHOOK hook);
void TrackSetRange(HWND slider, int minPos, int maxPos);
void TrackSetPos(HWND slider, int pos);
int TrackGetPos(HWND slider);
// The marked selection (kept, not drawn).
void TrackSetSelStart(HWND slider, int pos);
void TrackSetSelEnd(HWND slider, int pos);
int TrackSelStart(HWND slider);
int TrackSelEnd(HWND slider);

// Tree view with buttons, lines and editable labels, in pixels. Items are
// found by their labels; the tree never applies an edited label by itself.
HWND CreateTreeView(HWND page, int id, int x, int y, int w, int h);
HTREEITEM TreeInsertItem(HWND tree, HTREEITEM parent, const QString& text);  // last under parent (null = top)
void TreeDeleteItem(HWND tree, HTREEITEM item);                              // with its children
void TreeDeleteAll(HWND tree);
HTREEITEM TreeGetSelection(HWND tree);
void TreeSelectItem(HWND tree, HTREEITEM item);
QString TreeGetItemText(HWND tree, HTREEITEM item);
void TreeSetItemText(HWND tree, HTREEITEM item, const QString& text);
void TreeEnsureVisible(HWND tree, HTREEITEM item);
// The item at a screen position, or null.
HTREEITEM TreeHitTest(HWND tree, QPoint screenPos);
// Starts editing the item's label; its end comes as TVN_ENDLABELEDIT.
void TreeEditLabel(HWND tree, HTREEITEM item);
bool TreeIsEditing(HWND tree);
HTREEITEM TreeParent(HWND tree, HTREEITEM item);
int TreeChildCount(HWND tree, HTREEITEM item);  // null = top level
HTREEITEM TreeChild(HWND tree, HTREEITEM item, int index);
// Screen position of the middle of an item's label.
QPoint TreeItemCenter(HWND tree, HTREEITEM item);

// Shows a context menu at a screen position through the prompter and sends
// the chosen entry's id to `page` as a command.
void TrackPopupMenu(std::span<const MenuEntry> entries, QPoint screenPos, HWND page);
