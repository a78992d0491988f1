// Start-up, frame loop and shutdown (see shell.h).
#include "shell.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstring>

#include "files/modfile.h"
#include "input/input.h"
#include "main_window.h"
#include "platform/d3d9.h"
#include "platform/d3dx_font.h"
#include "platform/gl_view.h"
#include "platform/mmtime.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "platform/winuser.h"
#include "playback/anime.h"
#include "render/frame.h"
#include "render/meshes.h"
#include "render/toon.h"

int32_t startflg = 0;
DWORD st = 0, et = 0;
GLView* g_view = nullptr;

namespace {
MainWindow* gMain = nullptr;
bool gQuit = false;
int gQuitCode = 0;

void Fail(const QString& text) { MessageBoxA(text, QStringLiteral("ERROR"), MB_OK); }

void ReleasePart(MOTIONOBJ* part, void*) { ReleasePartMeshes(part); }

// Copies a file-system name into a fixed buffer; false when it does not fit.
bool CopyName(char* field, size_t size, const std::string& name) {
    if (name.size() >= size) return false;
    std::memset(field, 0, size);
    std::memcpy(field, name.data(), name.size());
    return true;
}
}  // namespace

bool StartUp() {
    RememberStartDirectory();
    // Building the window builds the panel, before the device and the motion set exist.
    gMain = new MainWindow;
    g_view = gMain->View();
    gMain->show();
    SetFocus(gMain);

    lpD3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!lpD3D) {
        Fail(QStringLiteral("Direct3D の作成に失敗しました。"));
        return false;
    }
    D3DDISPLAYMODE mode{};
    lpD3D->GetAdapterDisplayMode(0, &mode);
    std::memset(&d3dpp, 0, sizeof d3dpp);
    d3dpp.BackBufferWidth = kViewWidth;
    d3dpp.BackBufferHeight = kViewHeight;
    d3dpp.BackBufferFormat = mode.Format;
    d3dpp.SwapEffect = D3DSWAPEFFECT_COPY;
    d3dpp.Windowed = TRUE;
    d3dpp.EnableAutoDepthStencil = TRUE;
    d3dpp.AutoDepthStencilFormat = D3DFMT_D16;
    d3dpp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    // The view gets its context when it is first shown; let that happen.
    if (!g_view->context()) QCoreApplication::processEvents();
    if (FAILED(lpD3D->CreateDevice(g_view, &d3dpp, &lpD3DDevice))) {
        Fail(QStringLiteral("DirectX9が初期化できません。\n未対応のパソコンと思われます。"));
        lpD3D->Release();
        return false;
    }
    InitFrameStates(lpD3DDevice);
    timeBeginPeriod(1);

    // GameInit: the font, then the motion set with its root.
    D3DXCreateFontA(lpD3DDevice, 16, 0, 1000, 0, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                    DEFAULT_PITCH | FF_DONTCARE, nullptr, &lpFont);
    if (lpFont) lpFont->OnResetDevice();
    GameInit(&Cha);

    InitDinput(g_hwnd);
    startflg = 1;
    return true;
}

void OpenAtStart(const char* file) {
    const QFileInfo fi(LocalToQString(file));
    if (!CopyName(FullFileName, sizeof FullFileName, QStringToLocal(fi.absoluteFilePath())) ||
        !CopyName(FileName, sizeof FileName, QStringToLocal(fi.fileName()))) {
        MessageBoxA(QStringLiteral("ファイルが開けません"), QStringLiteral("エラー"), MB_OK);
        return;
    }
    // Opened from a file manager or a shell, whose start folder is anybody's
    // guess: the choreography's own folder is where its relative mesh paths
    // point, so it becomes the start directory. No notice to dismiss, and the
    // parts stand at their initial placement instead of at their parents' origins.
    SetCurrentDirectoryA(QStringToLocal(fi.absolutePath()).c_str());
    RememberStartDirectory();
    if (LoadChosenFile(&Cha, false)) AllClear(&Cha, Cha.pTop, Cha.pTop);
    if (g_SelectInLists && pGet) g_SelectInLists(pGet);
}

DWORD FrameRest(DWORD start, DWORD end) {
    const DWORD used = end - start;
    return used < kFrameMs ? kFrameMs - used : 0;
}

void RunFrame() {
    st = timeGetTime();
    if (Downflg == 1 && g_hwnd) {
        GetCursorPos(&checkpt);
        ScreenToClient(g_hwnd, &checkpt);
        if (checkpt.x != pt.x || checkpt.y != pt.y) {
            UpdateProc(&Cha);
            GetCursorPos(&pt);
            ScreenToClient(g_hwnd, &pt);
        }
    }
    if (Cha.pTop) {
        Trans(Cha.pTop, Cha.pTop);
        Gousei(Cha.pTop, Cha.pTop);
        Anime(&Cha);
    }
    // The view paints synchronously; its paint draws the frame.
    if (g_view) g_view->repaint();
    et = timeGetTime();
    if (const DWORD rest = FrameRest(st, et)) Sleep(rest);
}

void PostQuitMessage(int code) {
    gQuit = true;
    gQuitCode = code;
}

bool QuitRequested() { return gQuit; }

int FrameLoop() {
    gQuit = false;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (gQuit) break;
        RunFrame();
    }
    return gQuitCode;
}

void GameEnd(_MOTIONDATA* data) {
    FreeTree(data, &ReleasePart, nullptr);
    ReleaseDinput();
    if (lpFont) lpFont->Release();
    lpFont = nullptr;
    ReleaseRamp();
}

void ShutDown() {
    startflg = 0;
    timeEndPeriod(1);
    if (lpD3DDevice) lpD3DDevice->Release();
    lpD3DDevice = nullptr;
    if (lpD3D) lpD3D->Release();
    lpD3D = nullptr;
    delete gMain;
    gMain = nullptr;
    g_view = nullptr;
    g_hwnd = nullptr;
}

int WinMain(const char* file) {
    if (!StartUp()) {
        ShutDown();
        return 0;
    }
    if (file) OpenAtStart(file);
    const int code = FrameLoop();
    GameEnd(&Cha);
    ShutDown();
    return code;
}
