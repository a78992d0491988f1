// The animation panel: storing the slider speed into a range of slots, the
// speed shown for the current slot, play at per-slot speeds and its pacing;
// and the whole round trip of a choreography through the panels.
#include <QFileInfo>

#include "panel_fixture.h"

namespace {

using AnimePanel = PanelTest;

// Sets the speed range on the animation page with its two buttons.
void SpeedRange(PanelTest* t, int first, int last) {
    (void)t;
    HWND page = g_hwnd_Dlg[2];
    UpDownStep(GetDlgItem(page, 1017), 0);
    auto go = [&](int n) {
        HWND ud = GetDlgItem(page, 1017);
        while (UpDownGetPos(ud) < n) UpDownStep(ud, 1);
        while (UpDownGetPos(ud) > n) UpDownStep(ud, -1);
    };
    go(first);
    static_cast<QAbstractButton*>(GetDlgItem(page, 1020))->click();
    go(last);
    static_cast<QAbstractButton*>(GetDlgItem(page, 1021))->click();
}

TEST_F(AnimePanel, SetSpeedStoresTheSliderSpeedIntoTheRange) {
    struct Case {
        int first, last, slider;
        int firstChanged, lastChanged;  // -1: nothing stored
    };
    const Case cases[] = {
        {10, 20, 8, 10, 20},
        {20, 10, 12, -1, -1},
        {7, 7, 25, 7, 7},
    };
    for (const Case& c : cases) {
        for (float& s : Cha.Speed) s = 0.05f;
        SpeedRange(this, c.first, c.last);
        EXPECT_EQ(Number(anime(), 1018), c.first);
        EXPECT_EQ(Number(anime(), 1019), c.last);
        EXPECT_EQ(Number(anime(), 1032), c.first);
        EXPECT_EQ(Number(anime(), 1034), c.last);
        Drag(Slider(anime()), c.slider);
        const QString shown = GetDlgItemText(anime(), 1022);
        Click(anime(), 1024);
        EXPECT_EQ(Number(anime(), 1023), c.slider);
        EXPECT_EQ(GetDlgItemText(anime(), 1022), shown) << "1022 waits for the next slot change";
        EXPECT_EQ(Kflg, 0);
        for (int i = 0; i < kSlotCount; ++i) {
            const bool in = c.firstChanged >= 0 && i >= c.firstChanged && i <= c.lastChanged;
            EXPECT_FLOAT_EQ(Cha.Speed[i], in ? c.slider / 100.0f : 0.05f)
                << "slot " << i << " range " << c.first;
        }
    }
    // The stored speed of the current slot shows after a slot change here.
    for (float& s : Cha.Speed) s = 0.05f;
    SpeedRange(this, 10, 20);
    Drag(Slider(anime()), 8);
    Click(anime(), 1024);
    const int expect[][2] = {{15, 8}, {21, 5}, {20, 8}, {9, 5}};
    for (const auto& e : expect) {
        HWND ud = GetDlgItem(anime(), 1017);
        Step(anime(), 1017, e[0] - UpDownGetPos(ud));
        EXPECT_EQ(Number(anime(), 1022), e[1]) << "slot " << e[0];
    }
    // A slot change on the pose page moves 1017 here but not 1022.
    Step(pose(), 1017, 15 - UpDownGetPos(GetDlgItem(pose(), 1017)));
    EXPECT_EQ(Number(anime(), 1017), 15);
    EXPECT_EQ(Number(anime(), 1022), 5);
}

TEST_F(AnimePanel, PlayIsRefusedOrConfirmedByItsRange) {
    struct Case {
        int start, end;
        const char* text;
        int32_t btflg;
    };
    const Case cases[] = {
        {0, 0, "終了番号を開始番号より大きい数字で\n設定してください", 0},
        {4, 1, "終了番号を開始番号より大きい数字で\n設定してください", 0},
        {1, 4, "再生しますか？", 3},
    };
    for (const Case& c : cases) {
        Btflg = 0;
        pGet = nullptr;
        GoToSlot(anime(), c.start);
        Click(anime(), 1011);
        GoToSlot(anime(), c.end);
        Click(anime(), 1012);
        prompter.shown.clear();
        prompter.answers.clear();
        prompter.Yes();
        Click(anime(), 1036);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, U(c.text));
        EXPECT_EQ(Btflg, c.btflg);
        EXPECT_EQ(pGet, Cha.pTop);
    }
    EXPECT_EQ(Cha.StartNo, 1);
    EXPECT_EQ(Cha.EndNo, 4);
    EXPECT_EQ(Cha.StartReq, 1);
    EXPECT_EQ(Number(pose(), 1009), 0) << "the pose page's range is its own";
    prompter.shown.clear();
    Click(pose(), 1014);
    EXPECT_TRUE(prompter.shown.empty());
    Click(anime(), 1015);
    EXPECT_EQ(Btflg, 0);
}

// Frames spent in each segment of one pass over slots 0..3, by the slot it moves to.
std::vector<int> FramesPerSegment() {
    std::vector<int> frames(4, 0);
    Anime(&Cha);  // takes the request
    int guard = 0;
    while (guard++ < 1000) {
        const int into = Cha.PlayNo;
        ++frames[size_t(into)];
        Anime(&Cha);
        if (Cha.PlayNo == 0 && into == 3) break;
    }
    return frames;
}

TEST_F(AnimePanel, PerSlotSpeedsPaceEachSegment) {
    for (float& s : Cha.Speed) s = 0.05f;
    GoToSlot(anime(), 2);
    Click(anime(), 1020);
    Click(anime(), 1021);
    Drag(Slider(anime()), 25);
    Click(anime(), 1024);
    ASSERT_FLOAT_EQ(Cha.Speed[2], 0.25f);
    Click(anime(), 1029);  // the slider back at 5 must not matter here
    GoToSlot(anime(), 0);
    Click(anime(), 1011);
    GoToSlot(anime(), 3);
    Click(anime(), 1012);
    prompter.Yes();
    Click(anime(), 1036);
    ASSERT_EQ(Btflg, 3);
    const std::vector<int> frames = FramesPerSegment();
    EXPECT_EQ(frames[2], 4);
    EXPECT_NEAR(frames[1], 5 * frames[2], 1);
    EXPECT_EQ(frames[1], frames[3]);
    EXPECT_NEAR(frames[0], frames[1], 1) << "the first step comes with the request";

    // The same range from the pose page runs at the slider speed throughout.
    Click(anime(), 1015);
    Drag(Slider(pose()), 10);
    Cha.Playing = 0;
    // This page's up-down still stands at 0 while No is 3: step there and back.
    GoToSlot(pose(), 1);
    GoToSlot(pose(), 0);
    Click(pose(), 1011);
    GoToSlot(pose(), 3);
    Click(pose(), 1012);
    prompter.Yes();
    Click(pose(), 1014);
    ASSERT_EQ(Btflg, 2);
    const std::vector<int> uniform = FramesPerSegment();
    EXPECT_EQ(uniform[1], uniform[2]);
    EXPECT_NEAR(uniform[2], 10, 1);
}

}  // namespace
