// The tab host and the shared speed slider: start state of the pages, page
// switching, press and release on either slider, keys, resets per page.
#include <QTabBar>
#include <QTest>

#include "panel_fixture.h"

namespace {

using Host = PanelTest;

TEST_F(Host, StartsOnThePosePageWithEveryPageAtTheInitialValues) {
    auto* tab = static_cast<QTabBar*>(g_hwnd_Tab);
    ASSERT_EQ(tab->count(), 3);
    EXPECT_EQ(tab->tabText(0), U("状況"));
    EXPECT_EQ(tab->tabText(1), U("ツリービュー"));
    EXPECT_EQ(tab->tabText(2), U("アニメ"));
    EXPECT_EQ(tab->currentIndex(), 0);
    EXPECT_TRUE(pose()->isVisible());
    EXPECT_FALSE(treePage()->isVisible());
    EXPECT_FALSE(anime()->isVisible());
    EXPECT_EQ(host_->geometry(), QRect(780, 0, 260, 640));

    struct Field {
        HWND page;
        int id;
        const char* text;
    };
    const Field fields[] = {
        {pose(), 1017, "0"},   {pose(), 1009, "0"},   {pose(), 1010, "0"},   {pose(), 1028, "5"},
        {pose(), 1050, "100"}, {pose(), 1051, "100"}, {pose(), 1052, "100"}, {treePage(), 1017, "0"},
        {anime(), 1017, "0"},  {anime(), 1022, "5"},  {anime(), 1023, ""},   {anime(), 1032, "0"},
        {anime(), 1034, "0"},  {anime(), 1018, "0"},  {anime(), 1019, "0"},  {anime(), 1009, "0"},
        {anime(), 1010, "0"},  {anime(), 1028, "5"},
    };
    for (const Field& f : fields) EXPECT_EQ(GetDlgItemText(f.page, f.id), U(f.text)) << f.id;

    EXPECT_TRUE(IsDlgButtonChecked(pose(), 1020));
    EXPECT_TRUE(IsDlgButtonChecked(pose(), 1022));
    for (int id : {1021, 1023, 1024, 1016}) EXPECT_FALSE(IsDlgButtonChecked(pose(), id)) << id;
    EXPECT_EQ(Entries(pose()), QStringList{U("全身")});
    EXPECT_EQ(Entries(treePage()), QStringList{U("全身")});
    EXPECT_EQ(Shown(pose()), U("全身"));
    EXPECT_EQ(TreeShape(), U("全身"));
    EXPECT_EQ(TrackGetPos(Slider(pose())), 5);
    EXPECT_EQ(TrackGetPos(Slider(anime())), 5);
    EXPECT_EQ(static_cast<QSlider*>(Slider(pose()))->maximum(), 25);
    EXPECT_EQ(g_SelectInLists, &SETCURSEL);
    EXPECT_EQ(CurrentLoadView(), PanelLoadView());
}

TEST_F(Host, ATabChangeHidesTheOldPageAndTheNextPaintShowsTheNewOne) {
    auto* tab = static_cast<QTabBar*>(g_hwnd_Tab);
    for (int page : {2, 1, 0, 2}) {
        tab->setCurrentIndex(page);
        for (int i = 0; i < 3; ++i)
            EXPECT_FALSE(g_hwnd_Dlg[i]->isVisible()) << "before the paint, page " << i;
        g_hwnd_Static->repaint();
        Settle();
        for (int i = 0; i < 3; ++i) EXPECT_EQ(g_hwnd_Dlg[i]->isVisible(), i == page) << "page " << i;
        EXPECT_EQ(g_CurrentPage, page);
    }
}

TEST_F(Host, EitherSliderSetsTheSpeedOnReleaseAndBothEditsFollow) {
    struct Case {
        int page;  // 0 pose, 2 animation
        int to;
    };
    for (const Case c : {Case{0, 12}, Case{2, 8}, Case{0, 0}, Case{2, 25}}) {
        HWND page = g_hwnd_Dlg[c.page];
        const int before = TrackGetPos(Slider(page));
        QString duringPose, duringAnime;
        Drag(Slider(page), c.to, [&] {
            duringPose = GetDlgItemText(pose(), 1028);
            duringAnime = GetDlgItemText(anime(), 1028);
        });
        EXPECT_EQ(duringPose, QString::number(before)) << c.to;
        EXPECT_EQ(duringAnime, QString::number(before)) << c.to;
        EXPECT_EQ(Number(pose(), 1028), c.to);
        EXPECT_EQ(Number(anime(), 1028), c.to);
        EXPECT_FLOAT_EQ(AnimeFramePlus, c.to / 100.0f);
    }
}

TEST_F(Host, ASliderPressShowsTheRootInThePoseListButKeepsTheCurrentPart) {
    WriteBytes(QStringLiteral("a.x"), TriangleX());
    AddPart(U("全身"), U("腕"), QStringLiteral("a.x"));
    ASSERT_EQ(Shown(pose()), U("腕"));
    MOTIONOBJ* arm = pGet;
    for (int page : {2, 0}) {
        SETCURSEL(arm);
        Drag(Slider(g_hwnd_Dlg[page]), 7);
        EXPECT_EQ(Shown(pose()), U("全身")) << page;
        EXPECT_EQ(pGet, arm);
        EXPECT_EQ(Trackflg, 0);
    }
}

TEST_F(Host, KeysAndStrayReleasesMoveTheThumbButNotTheSpeed) {
    HWND s = Slider(pose());
    s->setFocus();
    QTest::keyClick(s, Qt::Key_Right);
    QTest::keyClick(s, Qt::Key_Right);
    EXPECT_EQ(TrackGetPos(s), 7);
    EXPECT_FLOAT_EQ(AnimeFramePlus, 0.05f);
    EXPECT_EQ(Number(pose(), 1028), 5);

    // A release whose press happened elsewhere.
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), s->mapToGlobal(QPointF(5, 5)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(s, &release);
    EXPECT_FLOAT_EQ(AnimeFramePlus, 0.05f);
    EXPECT_EQ(Number(anime(), 1028), 5);
}

TEST_F(Host, ResetRestoresOnlyItsOwnPage) {
    for (int page : {0, 2}) {
        const int other = 2 - page;
        Drag(Slider(pose()), 14);
        Drag(Slider(anime()), 14);
        Click(g_hwnd_Dlg[page], 1029);
        EXPECT_EQ(TrackGetPos(Slider(g_hwnd_Dlg[page])), 5);
        EXPECT_EQ(Number(g_hwnd_Dlg[page], 1028), 5);
        EXPECT_FLOAT_EQ(AnimeFramePlus, 0.05f);
        EXPECT_EQ(TrackGetPos(Slider(g_hwnd_Dlg[other])), 14);
        EXPECT_EQ(Number(g_hwnd_Dlg[other], 1028), 14);
    }
}

}  // namespace
