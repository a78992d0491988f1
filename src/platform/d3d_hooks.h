// Where mesh drawing meets the 3-D device.
//
// The mesh layer is CPU data and knows no device. The device installs a hook
// here; until it does, drawing is a no-op, so everything else (loading,
// bounds, outline) works and tests without a display. Tests install their own
// hook to see what would be drawn.
#pragma once

#include "wintypes.h"
#include "xfile_types.h"

class ID3DXMesh;
class IDirect3DTexture9;
class IDirect3DDevice9;

class DeviceHook {
public:
    virtual ~DeviceHook() = default;
    virtual void SetMaterial(const D3DMATERIAL9*) {}
    // A null texture unbinds the stage.
    virtual void SetTexture(DWORD /*stage*/, IDirect3DTexture9*) {}
    // Stage 1 as the shade ramp needs it: modulate by the texture, unfiltered.
    virtual void SetRampStageStates() {}
    virtual void DrawSubset(ID3DXMesh*, DWORD /*attribId*/) {}
    // The device object that operations taking a device receive (may be null).
    virtual IDirect3DDevice9* Device() { return nullptr; }
};

// The hook in use (never null); SetDeviceHook(nullptr) restores the no-op one.
DeviceHook* CurrentDeviceHook();
DeviceHook* SetDeviceHook(DeviceHook* hook);
