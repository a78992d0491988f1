// The main window and its commands (see main_window.h).
#include "main_window.h"

#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMouseEvent>

#include "input/input.h"
#include "platform/gl_view.h"
#include "platform/menu_resource.h"
#include "platform/prompter.h"
#include "platform/winuser.h"
#include "render/frame.h"
#include "render/outline.h"
#include "render/toon.h"
#include "shell.h"
#if KAV_HAVE_PANELS
#include "panels/panel_host.h"
#endif

MainWindow::MainWindow() {
    setWindowTitle(QStringLiteral("Kavelin ver1.17"));
    // Caption, system menu and minimise box: no sizing frame, no maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFocusPolicy(Qt::ClickFocus);
    setMenuBar(LoadMainMenu(this));
    for (QAction* a : menuBar()->findChildren<QAction*>()) {
        const int id = a->property("commandId").toInt();
        if (id) connect(a, &QAction::triggered, this, [this, id] { OnCommand(this, id); });
    }

    auto* client = new QWidget(this);
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);
    g_hwnd = this;
    // The panel first: it exists before the device and the motion set do.
#if KAV_HAVE_PANELS
    panel_ = CreatePanelHost(client);
    PlacePanelHost(panel_, kClientWidth, 0);
#endif
    view_ = new GLView(client, kViewWidth, kViewHeight);
    view_->move(0, 0);
    view_->installEventFilter(this);
    view_->onPaint = [] {
        if (startflg == 1) DrawFrame(&Cha);
    };
    client->installEventFilter(this);
    // Fixed: the client area plus the menu bar.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    e->ignore();
    if (OnClose(this)) {
        hide();
        PostQuitMessage(0);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    // Presses on the panel's controls are theirs; the view and bare client area are ours.
    if (watched != view_ && watched != centralWidget()) return false;
    if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonRelease &&
        e->type() != QEvent::MouseButtonDblClick)
        return false;
    auto* m = static_cast<QMouseEvent*>(e);
    if (watched == centralWidget() && centralWidget()->childAt(m->position().toPoint())) return false;
    // The second press of a double-click has no handler of its own.
    if (e->type() == QEvent::MouseButtonPress && m->button() == Qt::LeftButton) {
        const QPoint at = static_cast<QWidget*>(watched)->mapTo(centralWidget(), m->position().toPoint());
        OnLButtonDown(this, at.x(), at.y());
        return true;
    }
    if (e->type() == QEvent::MouseButtonRelease && m->button() == Qt::LeftButton) {
        OnLButtonUp();
        return true;
    }
    if (e->type() == QEvent::MouseButtonDblClick && m->button() == Qt::RightButton) {
        OnRButtonDblClk();
        return true;
    }
    return false;
}

void OnLButtonDown(HWND window, int x, int y) {
    SetFocus(window);
    pt = {x, y};
    if (Cha.pTop) SelectParts(Cha.pTop, Cha.pTop, pt.x, pt.y);
    Downflg = 1;
}

void OnLButtonUp() { Downflg = 0; }

void OnRButtonDblClk() {
    CameraX = 30.0f;
    CameraY = 135.0f;
}

bool OnClose(HWND) {
    return MessageBoxA(QStringLiteral("終了しますか？"), QStringLiteral("終了確認"), MB_YESNO) == IDYES;
}

namespace {

// One entry of a group checked, the others not; the menu is fetched anew each time.
void CheckOnly(HWND window, int on, std::initializer_list<int> group) {
    for (int id : group) CheckMenuItem(GetMenu(window), id, id == on ? MF_CHECKED : MF_UNCHECKED);
}

void Toggle(HWND window, int32_t* flag, int id) {
    *flag = *flag == 0 ? 1 : 0;
    CheckMenuItem(GetMenu(window), id, *flag == 1 ? MF_CHECKED : MF_UNCHECKED);
}

void Shade(HWND window, int32_t level, int id) {
    Shadowflg = level;
    CheckOnly(window, id, {IDM_SHADE_LIGHT, IDM_SHADE_NORMAL, IDM_SHADE_DARK, IDM_SHADE_BLACK});
}

void Outline(HWND window, float size, int id) {
    LineSize = size;
    Sizeflg = 1;
    CheckOnly(window, id, {IDM_OUTLINE_THIN, IDM_OUTLINE_NORMAL, IDM_OUTLINE_THICK});
}

}  // namespace

void OnCommand(HWND window, int id) {
    switch (id) {
        case IDM_VERSION:
            MessageBoxA(QStringLiteral("Version 1.17"), QStringLiteral("バージョン情報"), MB_OK);
            break;
        case IDM_FIXED_CAMERA:
            cflg = 1;
            CheckOnly(window, IDM_FIXED_CAMERA, {IDM_FIXED_CAMERA, IDM_FOLLOW_CAMERA});
            break;
        case IDM_FOLLOW_CAMERA:
            cflg = 0;
            CheckOnly(window, IDM_FOLLOW_CAMERA, {IDM_FIXED_CAMERA, IDM_FOLLOW_CAMERA});
            break;
        case IDM_LINES:
            Toggle(window, &Lineflg, IDM_LINES);
            break;
        case IDM_TEXT:
            Toggle(window, &STRflg, IDM_TEXT);
            break;
        case IDM_TOON:
            Toggle(window, &TOONflg, IDM_TOON);
            break;
        case IDM_SHADE_LIGHT:
            Shade(window, 1, id);
            break;
        case IDM_SHADE_NORMAL:
            Shade(window, 2, id);
            break;
        case IDM_SHADE_DARK:
            Shade(window, 3, id);
            break;
        case IDM_SHADE_BLACK:
            Shade(window, 4, id);
            break;
        case IDM_OUTLINE_THIN:
            Outline(window, 0.02f, id);
            break;
        case IDM_OUTLINE_NORMAL:
            Outline(window, 0.05f, id);
            break;
        case IDM_OUTLINE_THICK:
            Outline(window, 0.09f, id);
            break;
        default:
            break;
    }
}
