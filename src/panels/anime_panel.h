// The animation panel ("アニメ"): per-slot playback speeds stored from the
// slider into a range of slots, and playback of a range at those speeds;
// also the slot number, slot store and restore and the file commands.
#pragma once

#include <cstdint>

#include "model/motion.h"
#include "platform/controls.h"

extern const DlgTemplate DIALOG3;
extern int32_t HNost, HNoen;  // speed range
extern int32_t FNost, FNoen;  // range played from this page
extern int32_t Kflg;          // 1 = the next Keisan stores the slider speed into the speed range
extern int32_t flamenow;      // stored speed of slot No x 100, shown in 1022

INT_PTR DialogProc3(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// Stores AnimeFramePlus into Speed[HNost..HNoen] when Kflg asks for it (a
// reversed range stores nothing); always recomputes flamenow.
void Keisan(_MOTIONDATA* data);
