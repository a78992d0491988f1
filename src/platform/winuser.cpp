// Cursor, focus and menu check marks on Qt Widgets (see winuser.h).
#include "winuser.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QMainWindow>
#include <QMenuBar>

// The client area: below the menu bar of a main window, else the widget itself.
static QWidget* ClientArea(HWND w) {
    if (auto* mw = qobject_cast<QMainWindow*>(w))
        if (mw->centralWidget()) return mw->centralWidget();
    return w;
}

BOOL GetCursorPos(POINT* p) {
    if (!p) return FALSE;
    const QPoint c = QCursor::pos();
    *p = {c.x(), c.y()};
    return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* p) {
    if (!window || !p) return FALSE;
    const QPoint c = ClientArea(window)->mapFromGlobal(QPoint(p->x, p->y));
    *p = {c.x(), c.y()};
    return TRUE;
}

HWND GetFocus() { return QApplication::focusWidget(); }

HWND SetFocus(HWND window) {
    HWND old = GetFocus();
    if (window) {
        window->activateWindow();
        window->setFocus(Qt::MouseFocusReason);
    }
    return old;
}

HMENU GetMenu(HWND window) {
    auto* mw = qobject_cast<QMainWindow*>(window);
    return mw ? mw->menuBar() : nullptr;
}

static QAction* FindCommand(HMENU menu, int id) {
    if (!menu) return nullptr;
    for (QAction* a : menu->findChildren<QAction*>())
        if (a->property("commandId").toInt() == id && !a->menu()) return a;
    return nullptr;
}

DWORD CheckMenuItem(HMENU menu, int id, DWORD check) {
    QAction* a = FindCommand(menu, id);
    if (!a) return DWORD(-1);
    const DWORD old = a->isChecked() ? MF_CHECKED : MF_UNCHECKED;
    a->setCheckable(true);
    a->setChecked(check & MF_CHECKED);
    return old;
}

DWORD GetMenuState(HMENU menu, int id) {
    QAction* a = FindCommand(menu, id);
    if (!a) return DWORD(-1);
    return a->isChecked() ? MF_CHECKED : MF_UNCHECKED;
}
