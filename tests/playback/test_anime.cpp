// Slot-to-slot playback: step counts in single precision, the segments of a
// range, both modes, and what panels may change while it runs.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "playback/anime.h"
#include "tree_fixture.h"

// Counts allocations so that a test can show a playback step makes none.
static std::atomic<long> gAllocations{0};
void* operator new(size_t n) {
    ++gAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

// The root plus one part whose slot n holds the offset (n, 0, 0), so the
// interpolated offset shows exactly where playback is.
struct Stage : FreshDocument {
    MOTIONOBJ* part;
    Stage() {
        part = AddChild(root(), "p");
        for (int n = 0; n < kSlotCount; ++n) part->vSlotOffset[n] = D3DXVECTOR3(float(n), 0, 0);
        Btflg = 0;
    }
    ~Stage() { Btflg = 0; }
    void Start(int from, int to, int mode) {
        Cha.StartNo = from;
        Cha.EndNo = to;
        Cha.StartReq = 1;
        Btflg = mode;
    }
    // Steps until the segment ends (the frame parameter starts again); returns
    // the number of steps and the offset posed by the last one.
    int RunSegment(float* lastX = nullptr) {
        for (int steps = 1; steps < 10000; ++steps) {
            Anime(&Cha);
            if (Cha.AnimeFrame == 0.0f) {
                if (lastX) *lastX = part->vOffset.x;
                return steps;
            }
        }
        return -1;
    }
};

}  // namespace

TEST(Playback, SegmentLengthFollowsSinglePrecisionSums) {
    struct Case {
        float step;
        int steps;
        float lastFrame;
    } cases[] = {
        {0.05f, 20, 1.0000001f},
        {0.01f, 101, 0.0f},  // 100 steps sum to 0.9999993, one more passes 1
        {0.25f, 4, 1.0f},
        {0.07f, 15, 0.0f},   // the last step overshoots to 1.05
    };
    for (const Case& c : cases) {
        Stage s;
        AnimeFramePlus = c.step;
        s.part->vOffset = D3DXVECTOR3(0, 0, 0);
        s.Start(1, 2, 2);  // lead-in from offset 0 to slot 1 (offset 1)
        float lastX = 0;
        EXPECT_EQ(s.RunSegment(&lastX), c.steps) << "step " << c.step;
        if (c.lastFrame != 0.0f) {
            EXPECT_EQ(lastX, c.lastFrame) << "step " << c.step;
        }
        if (c.step == 0.07f) {
            EXPECT_NEAR(lastX, 1.05f, 1e-5f);
        }
        // Whatever the overshoot, the next segment starts exactly at slot 1.
        Anime(&Cha);
        EXPECT_FLOAT_EQ(s.part->vOffset.x, 1.0f + Cha.AnimeFrame);
    }
}

TEST(Playback, RangeRunsLeadInSegmentsAndWrapInMode2) {
    Stage s;
    AnimeFramePlus = 0.25f;
    s.part->vOffset = D3DXVECTOR3(10, 0, 0);  // not slot 3
    s.Start(3, 5, 2);
    // Lead-in 10 -> 3, then 3 -> 4, 4 -> 5, wrap 5 -> 3, and again 3 -> 4.
    const float ends[] = {3, 4, 5, 3, 4};
    const int playNoAfter[] = {4, 5, 3, 4, 5};
    std::vector<float> firstPoses;
    for (int i = 0; i < 5; ++i) {
        float lastX = 0;
        Anime(&Cha);
        firstPoses.push_back(s.part->vOffset.x);
        EXPECT_EQ(s.RunSegment(&lastX), 3) << "segment " << i;
        EXPECT_EQ(lastX, ends[i]) << "segment " << i;
        EXPECT_EQ(Cha.PlayNo, playNoAfter[i]) << "segment " << i;
    }
    // The first pose of each segment is one step along, never the start itself.
    EXPECT_EQ(firstPoses[0], 10 + 0.25f * (3 - 10));
    EXPECT_EQ(firstPoses[3], 5 + 0.25f * (3 - 5));
}

TEST(Playback, Mode3StepsEachSegmentByTheSpeedOfTheSlotItEndsAt) {
    Stage s;
    Cha.Speed[3] = 0.5f;
    Cha.Speed[4] = 0.25f;
    Cha.Speed[5] = 1.0f;
    AnimeFramePlus = 0.125f;  // not used in mode 3
    s.part->vOffset = D3DXVECTOR3(10, 0, 0);
    s.Start(3, 5, 3);
    // Lead-in and wrap both use Speed[3].
    const int steps[] = {2, 4, 1, 2, 4};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s.RunSegment(), steps[i]) << "segment " << i;
}

TEST(Playback, RotationsSlerpBetweenSlots) {
    Stage s;
    D3DXMatrixRotationY(&s.part->mSlotRot[1], 1.0f);
    AnimeFramePlus = 0.25f;
    s.Start(0, 1, 2);
    s.RunSegment();           // lead-in to slot 0 (identity)
    Anime(&Cha);
    Anime(&Cha);              // half way to slot 1
    D3DXMATRIX half;
    D3DXMatrixRotationY(&half, 0.5f);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(s.part->mRot.m[i][j], half.m[i][j], 1e-5f);
}

TEST(Playback, ZeroStepHoldsAndChangesTakeEffectAtTheNextStep) {
    Stage s;
    AnimeFramePlus = 0.0f;
    s.part->vOffset = D3DXVECTOR3(8, 0, 0);
    s.Start(1, 3, 2);
    for (int i = 0; i < 50; ++i) Anime(&Cha);
    EXPECT_EQ(Cha.AnimeFrame, 0.0f);
    EXPECT_EQ(s.part->vOffset.x, 8.0f);

    AnimeFramePlus = 0.5f;  // the trackbar moved: same segment, new speed
    Anime(&Cha);
    EXPECT_EQ(s.part->vOffset.x, 8 + 0.5f * (1 - 8));
    EXPECT_EQ(Cha.PlayNo, 1);
}

TEST(Playback, ClearingAllRestartsTheRunningSegment) {
    Stage s;
    AnimeFramePlus = 0.25f;
    s.Start(1, 3, 2);
    Anime(&Cha);
    Anime(&Cha);
    AllClear(&Cha, s.root(), s.root());
    EXPECT_EQ(Cha.AnimeFrame, 0.0f);
    Anime(&Cha);  // back to one step along the same segment
    EXPECT_EQ(Cha.AnimeFrame, 0.25f);
    EXPECT_EQ(Cha.PlayNo, 1);
}

TEST(Playback, StopKeepsThePoseAndStepsAllocateNothing) {
    Stage s;
    for (int i = 0; i < 17; ++i) AddChild(s.root(), "more");
    AnimeFramePlus = 0.05f;
    s.Start(0, 4, 2);
    const long before = gAllocations.load();
    for (int i = 0; i < 500; ++i) Anime(&Cha);
    EXPECT_EQ(gAllocations.load(), before);

    Cha.Playing = 0;
    Btflg = 0;
    const float x = s.part->vOffset.x;
    for (int i = 0; i < 10; ++i) Anime(&Cha);
    EXPECT_EQ(s.part->vOffset.x, x);
}

TEST(Playback, RequestWithARangeOutsideTheSlotsIsDropped) {
    Stage s;
    s.Start(150, 200, 3);
    Anime(&Cha);
    EXPECT_EQ(Cha.Playing, 0);
    EXPECT_EQ(Cha.StartReq, 0);
}
