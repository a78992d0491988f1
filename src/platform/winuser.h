// The few window-system calls the editor's shell and input make: cursor,
// keyboard focus and menu check marks. Declarations only, free of Qt, so code
// below the window layer can call them; window.cpp implements them on Qt.
#pragma once

#include <cstdint>

#include "hwnd.h"
#include "wintypes.h"

#ifndef TRUE
constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
#endif

struct POINT {
    int32_t x, y;
};

struct RECT {
    int32_t left, top, right, bottom;
};

// Cursor position on the screen.
BOOL GetCursorPos(POINT* p);
// Screen to the window's client coordinates (the client area starts below the menu bar).
BOOL ScreenToClient(HWND window, POINT* p);
// The window (widget) that has the keyboard focus, or null.
HWND GetFocus();
HWND SetFocus(HWND window);

// The menu bar of a window; command ids address its entries.
class QMenuBar;
typedef QMenuBar* HMENU;
enum : DWORD { MF_UNCHECKED = 0x0, MF_CHECKED = 0x8 };
HMENU GetMenu(HWND window);
// Returns the previous state (MF_CHECKED or MF_UNCHECKED), or -1 for an unknown id.
DWORD CheckMenuItem(HMENU menu, int id, DWORD check);
// MF_CHECKED when the entry is checked; -1 for an unknown id.
DWORD GetMenuState(HMENU menu, int id);
