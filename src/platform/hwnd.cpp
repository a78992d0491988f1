// The main window's handle (see hwnd.h).
#include "hwnd.h"

HWND g_hwnd = nullptr;
