// The polled system mouse: relative motion, wheel and buttons since the last
// read. Cooperative "foreground" use: the device reads only while its window
// is the active one; losing the foreground unacquires it.
//
// The motion comes from a MouseSource: the real pointer (cursor movement in
// pixels, wheel in notches, buttons as they are at the read) or a test's
// script of polls.
#pragma once

#include <cstdint>

#include "hwnd.h"
#include "wintypes.h"

constexpr DWORD DIRECTINPUT_VERSION = 0x0800;
enum : DWORD {
    DISCL_EXCLUSIVE = 0x1,
    DISCL_NONEXCLUSIVE = 0x2,
    DISCL_FOREGROUND = 0x4,
    DISCL_BACKGROUND = 0x8
};
constexpr HRESULT DIERR_INPUTLOST = static_cast<HRESULT>(0x8007001Eu);
constexpr HRESULT DIERR_NOTACQUIRED = static_cast<HRESULT>(0x8007000Cu);
constexpr HRESULT DIERR_OTHERAPPHASPRIO = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT DIERR_INVALIDPARAM = E_INVALIDARG;

struct DIMOUSESTATE2 {
    int32_t lX, lY, lZ;     // motion since the last read; wheel in notches
    uint8_t rgbButtons[8];  // 0x80 set = down: 0 left, 1 right, 2 middle
};

// Data formats and devices the editor asks for.
struct DIDATAFORMAT {
    DWORD size;
};
extern const DIDATAFORMAT c_dfDIMouse2;
enum class DeviceGuid { SysMouse };
constexpr DeviceGuid GUID_SysMouse = DeviceGuid::SysMouse;

class IDirectInputDevice8 {
public:
    virtual ~IDirectInputDevice8() = default;
    virtual DWORD Release() = 0;
    virtual HRESULT SetDataFormat(const DIDATAFORMAT* format) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT Acquire() = 0;
    virtual HRESULT Unacquire() = 0;
    virtual HRESULT GetDeviceState(DWORD size, void* data) = 0;
};

class IDirectInput8 {
public:
    virtual ~IDirectInput8() = default;
    virtual DWORD Release() = 0;
    virtual HRESULT CreateDevice(DeviceGuid which, IDirectInputDevice8** device, void* outer) = 0;
};

HRESULT DirectInput8Create(void* instance, DWORD version, IDirectInput8** out, void* outer);

class MouseSource {
public:
    virtual ~MouseSource() = default;
    // Whether `window` is in the foreground (the active window).
    virtual bool IsForeground(HWND window) = 0;
    // Forget motion so far (the device has just been acquired).
    virtual void Restart() = 0;
    // Motion since the last read or restart, and the buttons now.
    virtual void Read(DIMOUSESTATE2* state) = 0;
};
// Installs `source` (null = the real pointer) and returns the previous one
// (null when that was the real one). Devices read the source current at the read.
MouseSource* SetMouseSource(MouseSource* source);
