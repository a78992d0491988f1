// The polled system mouse (see dinput.h).
#include "dinput.h"

#include <QApplication>
#include <QCursor>
#include <QWheelEvent>
#include <QWidget>
#include <cstring>

const DIDATAFORMAT c_dfDIMouse2 = {sizeof(DIMOUSESTATE2)};

namespace {

// The real pointer: cursor movement between reads, wheel notches collected
// from the application's wheel events, buttons as Qt last saw them.
class PointerSource final : public QObject, public MouseSource {
public:
    PointerSource() {
        if (qApp) qApp->installEventFilter(this);
    }
    bool IsForeground(HWND window) override {
        return window && window->isVisible() && QApplication::activeWindow() == window->window();
    }
    void Restart() override {
        last_ = QCursor::pos();
        wheel_ = 0;
    }
    void Read(DIMOUSESTATE2* s) override {
        std::memset(s, 0, sizeof *s);
        const QPoint now = QCursor::pos();
        s->lX = now.x() - last_.x();
        s->lY = now.y() - last_.y();
        last_ = now;
        // Whole notches; a part of one waits for the rest.
        s->lZ = wheel_ / 120;
        wheel_ -= s->lZ * 120;
        const Qt::MouseButtons b = QGuiApplication::mouseButtons();
        s->rgbButtons[0] = (b & Qt::LeftButton) ? 0x80 : 0;
        s->rgbButtons[1] = (b & Qt::RightButton) ? 0x80 : 0;
        s->rgbButtons[2] = (b & Qt::MiddleButton) ? 0x80 : 0;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        // A wheel event reaches several objects on its way; count it once, at its window.
        if (e->type() == QEvent::Wheel && watched->isWindowType())
            wheel_ += static_cast<QWheelEvent*>(e)->angleDelta().y();
        return false;
    }

private:
    QPoint last_;
    int wheel_ = 0;
};

MouseSource* gSource = nullptr;  // null = the pointer
PointerSource* gPointer = nullptr;

MouseSource* Source() {
    if (gSource) return gSource;
    if (!gPointer) gPointer = new PointerSource;
    return gPointer;
}

class SysMouse final : public IDirectInputDevice8 {
public:
    DWORD Release() override {
        delete this;
        return 0;
    }
    HRESULT SetDataFormat(const DIDATAFORMAT* f) override {
        if (!f || f->size != sizeof(DIMOUSESTATE2)) return DIERR_INVALIDPARAM;
        formatSet_ = true;
        return S_OK;
    }
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
        // Exclusive use would take the cursor away from the rest of the desktop.
        if (!window || (flags & DISCL_EXCLUSIVE) || !(flags & (DISCL_FOREGROUND | DISCL_BACKGROUND)))
            return DIERR_INVALIDPARAM;
        window_ = window;
        foreground_ = flags & DISCL_FOREGROUND;
        return S_OK;
    }
    HRESULT Acquire() override {
        if (!formatSet_ || !window_) return DIERR_INVALIDPARAM;
        if (foreground_ && !Source()->IsForeground(window_)) return DIERR_OTHERAPPHASPRIO;
        if (!acquired_) Source()->Restart();
        acquired_ = true;
        return S_OK;
    }
    HRESULT Unacquire() override {
        acquired_ = false;
        return S_OK;
    }
    HRESULT GetDeviceState(DWORD size, void* data) override {
        if (size != sizeof(DIMOUSESTATE2) || !data) return DIERR_INVALIDPARAM;
        if (!acquired_) return DIERR_NOTACQUIRED;
        if (foreground_ && !Source()->IsForeground(window_)) {
            acquired_ = false;
            return DIERR_INPUTLOST;
        }
        Source()->Read(static_cast<DIMOUSESTATE2*>(data));
        return S_OK;
    }

private:
    HWND window_ = nullptr;
    bool formatSet_ = false, foreground_ = false, acquired_ = false;
};

class DirectInput final : public IDirectInput8 {
public:
    DWORD Release() override {
        delete this;
        return 0;
    }
    HRESULT CreateDevice(DeviceGuid which, IDirectInputDevice8** device, void*) override {
        if (!device) return DIERR_INVALIDPARAM;
        *device = nullptr;
        if (which != GUID_SysMouse) return DIERR_INVALIDPARAM;
        // The pointer needs the application; a test's script does not.
        if (!gSource && !qApp) return E_FAIL;
        *device = new SysMouse;
        return S_OK;
    }
};

}  // namespace

HRESULT DirectInput8Create(void*, DWORD version, IDirectInput8** out, void*) {
    if (!out) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (version != DIRECTINPUT_VERSION) return DIERR_INVALIDPARAM;
    *out = new DirectInput;
    return S_OK;
}

MouseSource* SetMouseSource(MouseSource* source) {
    MouseSource* old = gSource;
    gSource = source;
    return old;
}
