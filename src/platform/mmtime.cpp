// Clock and sleep (see mmtime.h).
#include "mmtime.h"

#include <chrono>
#include <thread>

namespace {
class SteadyClock final : public Clock {
public:
    DWORD Now() override {
        using namespace std::chrono;
        return DWORD(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void Sleep(DWORD ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};
SteadyClock gSteady;
Clock* gClock = &gSteady;
}  // namespace

DWORD timeGetTime() { return gClock->Now(); }
void Sleep(DWORD milliseconds) { gClock->Sleep(milliseconds); }
DWORD timeBeginPeriod(unsigned) { return 0; }
DWORD timeEndPeriod(unsigned) { return 0; }

Clock* SetClock(Clock* clock) {
    Clock* old = gClock == &gSteady ? nullptr : gClock;
    gClock = clock ? clock : &gSteady;
    return old;
}
