// The status text's font: CP932 text drawn over the 3-D view.
#pragma once

#include "d3d9.h"
#include "wintypes.h"

enum : DWORD { DT_LEFT = 0x0, DT_TOP = 0x0, DT_NOCLIP = 0x100 };
enum : DWORD {
    SHIFTJIS_CHARSET = 128,
    OUT_DEFAULT_PRECIS = 0,
    DEFAULT_QUALITY = 0,
    DEFAULT_PITCH = 0,
    FF_DONTCARE = 0
};

class ID3DXFont {
public:
    virtual ~ID3DXFont() = default;
    virtual DWORD Release() = 0;
    // Draws CP932 `text` (count -1 = zero-terminated) with its top-left corner
    // at the rectangle's; lines break at "\n". Returns the text's height in
    // pixels, 0 when nothing could be drawn. The sprite must be null.
    virtual int DrawTextA(void* sprite, const char* text, int count, const RECT* rect, DWORD format,
                          D3DCOLOR color) = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};

// A font of `height` pixels and `weight` (400 normal, 1000 heaviest) with
// Japanese glyphs; a null face takes the system's Japanese Gothic.
HRESULT D3DXCreateFontA(IDirect3DDevice9* device, int height, unsigned width, unsigned weight,
                        unsigned mipLevels, BOOL italic, DWORD charSet, DWORD outputPrecision, DWORD quality,
                        DWORD pitchAndFamily, const char* faceName, ID3DXFont** font);

extern ID3DXFont* lpFont;
