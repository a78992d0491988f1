// The editor's shell: start-up, the frame loop and shutdown.
//
// Start-up creates the main window (which builds the panel), the device with
// its fixed states and light, the font and the motion set, and opens the
// mouse. The loop then drains pending events and runs one frame whenever none
// is waiting: drag step, composition, playback, drawing, then sleep for the
// rest of 17 ms. Modal dialogs run their own loops; no frame runs in them,
// but a repaint still draws one.
#pragma once

#include <cstdint>

#include "model/motion.h"
#include "platform/wintypes.h"

class GLView;

extern int32_t startflg;  // 1 once start-up is done: paints draw from then on
extern DWORD st, et;      // start and end of the current frame, ms
extern GLView* g_view;    // the 3-D view of the main window

constexpr DWORD kFrameMs = 17;

// The editor: start-up, the loop until the main window is closed, shutdown.
// `file` (may be null) is a choreography file to open once start-up is done.
// Returns 0 when start-up fails, else the exit code of the close.
int WinMain(const char* file);

// Start-up steps up to the loop. False when the program must end (the user
// has been told why).
bool StartUp();
// Opens a choreography file as the file dialog would leave it chosen: its
// folder current, its name in FileName.
void OpenAtStart(const char* file);
// One turn of the loop without events: drag step, Trans, Gousei, Anime,
// drawing, and the sleep that pads the frame to 17 ms.
void RunFrame();
// How long to sleep after a frame that ran from `start` to `end` (ms,
// unsigned, so a wrap of the clock in between does no harm).
DWORD FrameRest(DWORD start, DWORD end);
// Runs frames until the main window has been closed; returns its exit code.
int FrameLoop();
// Asks the loop to end after the events being handled (the window is gone).
void PostQuitMessage(int code);
// Whether that has been asked since the loop started.
bool QuitRequested();
// Frees the part tree (meshes first, children before parents), the mouse and the font.
void GameEnd(_MOTIONDATA* data);
// Releases the device and the Direct3D object; deletes the main window.
void ShutDown();
