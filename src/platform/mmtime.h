// Millisecond clock and sleeping, as the frame loop paces itself. Tests
// install a clock of their own to see how long the loop would sleep.
#pragma once

#include "wintypes.h"

// Milliseconds since some start; wraps after 2^32.
DWORD timeGetTime();
void Sleep(DWORD milliseconds);
// Timer resolution requests; the clock here is always fine-grained.
DWORD timeBeginPeriod(unsigned period);
DWORD timeEndPeriod(unsigned period);

class Clock {
public:
    virtual ~Clock() = default;
    virtual DWORD Now() = 0;
    virtual void Sleep(DWORD milliseconds) = 0;
};
// Installs `clock` (null = the real one) and returns the previous one (null
// when that was the real one).
Clock* SetClock(Clock* clock);
