// Window handles. A window of the editor is a Qt widget; code below the window
// layer only passes the handles on, so it needs no Qt headers.
#pragma once

class QWidget;
typedef QWidget* HWND;

// The main window; null until it exists. Owner of every message box.
extern HWND g_hwnd;
