// The control panel beside the 3-D view: a tab strip ("状況", "ツリービュー",
// "アニメ") over a container holding the three pages, one shown at a time,
// and the speed slider that the pose and animation pages share.
//
// The panel is built while the main window is being created, before the
// motion set exists, so the pages start from the globals' initial values.
#pragma once

#include <cstdint>

#include "platform/controls.h"

constexpr int kPanelWidth = 260;
constexpr int kPanelHeight = 640;

extern HWND g_hwnd_Tab;     // tab strip, id 2000
extern HWND g_hwnd_Static;  // page container, id 2001
extern HWND g_hwnd_Dlg[3];  // pose panel, part tree panel, animation panel
extern int32_t g_Num_Dlg;   // 3
extern int32_t g_Num_tab;   // first tab index; the main window increments it after CreateTabCtrl
extern int32_t g_CurrentPage;
extern int32_t Trackflg;  // 1 after a press on either speed slider, until the pose page clears it
extern HWND hNow;         // speed edit 1028 of the pose page
extern HWND hNow2;        // speed edit 1028 of the animation page

// Builds the whole panel (260 x 640) as a child of the main window: strip,
// container and pages; installs the panels' load view and the picking hook.
// The caller places it (x = client width - 260, just right of the view).
QWidget* CreatePanelHost(QWidget* mainWindow);
// Moves the panel to the right edge of a client area `clientWidth` wide.
void PlacePanelHost(QWidget* host, int clientWidth, int clientTop);

// The strip, the container and the three pages inside `parent`; returns the strip.
HWND CreateTabCtrl(HWND parent, int32_t firstTab);

// Speed slider group of a page: the slider at (5, y) in pixels, range 0..25,
// on the current speed, which *reset keeps for the page's reset button;
// `edit` is the page's 1028 edit. Returns the slider.
HWND CreateSpeedSlider(HWND page, int y, int32_t* reset);
// Press and release on either slider.
void TrackProc(HWND slider, UINT message);
// The page's reset button: its own slider and edit back to `reset`, the speed to reset / 100.
void SpeedReset(HWND page, HWND slider, int32_t reset);
