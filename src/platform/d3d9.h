// The 3-D device: the operations the renderer calls, with the results of a
// fixed-function pipeline, carried out by one OpenGL 3.3 core shader program.
//
// What it reproduces: depth 0..1, clockwise front faces, cull modes CW/CCW/
// NONE, one directional light (emissive + diffuse * max(0, N.L), alpha from
// the material's diffuse), lighting off = vertex colour or white, two texture
// stages that modulate (an unbound stage acts as white), point or linear
// sampling per sampler, alpha blending, line lists with vertex colours.
//
// States are kept on the CPU and applied when something is drawn, so the
// device can be configured while no OpenGL context is current. Drawing needs
// the device's target current: inside the view's paint, or an offscreen
// target made current by its owner.
#pragma once

#include <cstdint>

#include "d3dx_math.h"
#include "hwnd.h"
#include "wintypes.h"
#include "winuser.h"
#include "xfile_types.h"

class ID3DXMesh;
class IDirect3DTexture9;
class QOpenGLContext;
class QPaintDevice;
class QPainter;

typedef DWORD D3DCOLOR;
constexpr D3DCOLOR D3DCOLOR_XRGB(int r, int g, int b) {
    return 0xFF000000u | (DWORD(r & 255) << 16) | (DWORD(g & 255) << 8) | DWORD(b & 255);
}

enum D3DRENDERSTATETYPE : DWORD {
    D3DRS_ZENABLE,
    D3DRS_ZWRITEENABLE,
    D3DRS_ZFUNC,
    D3DRS_ALPHABLENDENABLE,
    D3DRS_SRCBLEND,
    D3DRS_DESTBLEND,
    D3DRS_CULLMODE,
    D3DRS_LIGHTING,
    D3DRS_DEPTHBIAS,  // a float's bits: added to the depth (0..1) of what is drawn
    D3DRS_COUNT_
};
enum : DWORD { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum : DWORD {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
};
enum : DWORD { D3DCMP_LESS = 2, D3DCMP_LESSEQUAL = 4, D3DCMP_ALWAYS = 8 };

enum D3DTEXTURESTAGESTATETYPE : DWORD {
    D3DTSS_COLOROP,
    D3DTSS_COLORARG1,
    D3DTSS_COLORARG2,
    D3DTSS_ALPHAOP,
    D3DTSS_ALPHAARG1,
    D3DTSS_ALPHAARG2,
    D3DTSS_TEXCOORDINDEX,
    D3DTSS_TEXTURETRANSFORMFLAGS,
    D3DTSS_COUNT_
};
enum : DWORD { D3DTOP_DISABLE = 1, D3DTOP_SELECTARG1 = 2, D3DTOP_SELECTARG2 = 3, D3DTOP_MODULATE = 4 };
enum : DWORD { D3DTA_DIFFUSE = 0, D3DTA_CURRENT = 1, D3DTA_TEXTURE = 2 };
enum : DWORD { D3DTTFF_DISABLE = 0, D3DTTFF_COUNT2 = 2 };

enum D3DSAMPLERSTATETYPE : DWORD {
    D3DSAMP_ADDRESSU,
    D3DSAMP_ADDRESSV,
    D3DSAMP_MAGFILTER,
    D3DSAMP_MINFILTER,
    D3DSAMP_MIPFILTER,
    D3DSAMP_COUNT_
};
enum : DWORD { D3DTADDRESS_WRAP = 1, D3DTADDRESS_CLAMP = 3 };
enum : DWORD { D3DTEXF_NONE = 0, D3DTEXF_POINT = 1, D3DTEXF_LINEAR = 2 };

enum D3DTRANSFORMSTATETYPE : DWORD { D3DTS_VIEW = 2, D3DTS_PROJECTION = 3, D3DTS_WORLD = 256 };

enum : DWORD { D3DCLEAR_TARGET = 1, D3DCLEAR_ZBUFFER = 2, D3DCLEAR_STENCIL = 4 };

enum D3DPRIMITIVETYPE : DWORD { D3DPT_LINELIST = 2, D3DPT_TRIANGLELIST = 4 };

enum D3DLIGHTTYPE : DWORD { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };

struct D3DLIGHT9 {
    D3DLIGHTTYPE Type;
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Ambient;
    D3DXVECTOR3 Position;
    D3DXVECTOR3 Direction;
    float Range;
    float Falloff;
    float Attenuation0;
    float Attenuation1;
    float Attenuation2;
    float Theta;
    float Phi;
};

enum D3DFORMAT : DWORD { D3DFMT_UNKNOWN = 0, D3DFMT_X8R8G8B8 = 22, D3DFMT_D16 = 80 };
enum D3DSWAPEFFECT : DWORD { D3DSWAPEFFECT_DISCARD = 1, D3DSWAPEFFECT_COPY = 3 };
enum : DWORD { D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 1 };

struct D3DPRESENT_PARAMETERS {
    DWORD BackBufferWidth;
    DWORD BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    DWORD BackBufferCount;
    DWORD MultiSampleType;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    DWORD FullScreen_RefreshRateInHz;
    DWORD PresentationInterval;
};

struct D3DDISPLAYMODE {
    DWORD Width, Height, RefreshRate;
    D3DFORMAT Format;
};

// Where a device draws: the view's framebuffer or an offscreen one.
class DeviceTarget {
public:
    virtual ~DeviceTarget() = default;
    virtual QOpenGLContext* Context() = 0;
    virtual bool MakeCurrent() = 0;
    virtual void DoneCurrent() = 0;
    // The framebuffer object to draw into (0 = the surface's own).
    virtual unsigned Framebuffer() = 0;
    // Pixel height of the framebuffer (viewports count from its top).
    virtual int Height() = 0;
    // A paint device over the framebuffer for text (QPainter), or null.
    virtual QPaintDevice* PaintDevice() = 0;
    // Called by Present; false when the picture could not be shown.
    virtual bool Show() { return true; }
};

class IDirect3DDevice9 {
public:
    virtual ~IDirect3DDevice9() = default;
    virtual DWORD Release() = 0;

    virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT9* viewport) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    // rects must be null (the whole viewport is cleared).
    virtual HRESULT Clear(DWORD count, const void* rects, DWORD flags, D3DCOLOR color, float z,
                          DWORD stencil) = 0;
    virtual HRESULT Present(const RECT* source, const RECT* dest, HWND window, const void* dirty) = 0;
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS* params) = 0;

    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE which, const D3DXMATRIX* m) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE which, D3DXMATRIX* m) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
    virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) = 0;
    virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
    virtual HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) = 0;
    // A null texture unbinds the stage.
    virtual HRESULT SetTexture(DWORD stage, IDirect3DTexture9* texture) = 0;
    virtual HRESULT GetTexture(DWORD stage, IDirect3DTexture9** texture) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL9* material) = 0;
    virtual HRESULT GetMaterial(D3DMATERIAL9* material) = 0;
    virtual HRESULT SetLight(DWORD index, const D3DLIGHT9* light) = 0;
    virtual HRESULT GetLight(DWORD index, D3DLIGHT9* light) = 0;
    virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;

    // Toon shading's shade coordinate, made per vertex from its normal: with a
    // light direction, both stages read (tu, 0) where tu = (1 - light . n') / 2
    // and n' is the normal turned by the world matrix; null = the mesh's own
    // texture coordinates (the default).
    virtual HRESULT SetShadeCoordinate(const D3DXVECTOR3* toonLight) = 0;

    virtual HRESULT SetFVF(DWORD fvf) = 0;
    // Vertices straight from memory in the format of SetFVF.
    virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, unsigned primitiveCount, const void* vertices,
                                    unsigned stride) = 0;
    virtual HRESULT DrawSubset(ID3DXMesh* mesh, DWORD attribId) = 0;
    // Paints over the picture with a QPainter, in the frame's order (the
    // font draws its text this way). Depth and every device state survive.
    virtual HRESULT PaintOverlay(void (*paint)(QPainter* painter, void* context), void* context) = 0;

    // Facts for tests and the benchmarks.
    virtual const char* RendererName() = 0;
    virtual uint64_t DrawCalls() const = 0;
};

// Stands for the Direct3D object: creates devices on a target.
class IDirect3D9 {
public:
    virtual ~IDirect3D9() = default;
    virtual DWORD Release() = 0;
    virtual HRESULT GetAdapterDisplayMode(unsigned adapter, D3DDISPLAYMODE* mode) = 0;
    // Fails when the target has no OpenGL 3.3 core context. The target stays
    // the caller's and must outlive the device.
    virtual HRESULT CreateDevice(DeviceTarget* target, D3DPRESENT_PARAMETERS* params,
                                 IDirect3DDevice9** device) = 0;
};

// Null when the platform offers no OpenGL at all.
IDirect3D9* Direct3DCreate9(unsigned sdkVersion);
constexpr unsigned D3D_SDK_VERSION = 32;

extern IDirect3D9* lpD3D;
extern IDirect3DDevice9* lpD3DDevice;
extern D3DPRESENT_PARAMETERS d3dpp;
