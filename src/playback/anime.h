// Slot-to-slot playback: once per frame, Anime interpolates every part from
// the segment's start pose towards its end pose (slerp for rotations, lerp for
// offsets) and moves on to the next slot when the segment is done.
#pragma once

#include <cstdint>

#include "model/motion.h"

// Playback mode chosen by the panel that started it: 0 none, 2 common step
// (AnimeFramePlus), 3 per-slot speeds (Speed[PlayNo]).
extern int32_t Btflg;

void Anime(_MOTIONDATA* data);
void AnimeStartInit(MOTIONOBJ* part, MOTIONOBJ* parent);
void AnimeEndInit(_MOTIONDATA* data, MOTIONOBJ* part, MOTIONOBJ* parent);
void AnimePlay(_MOTIONDATA* data, MOTIONOBJ* part, MOTIONOBJ* parent);
void AnimeLoop(_MOTIONDATA* data, MOTIONOBJ* part, MOTIONOBJ* parent);
