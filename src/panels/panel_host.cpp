// The tab host and the shared speed slider (see panel_host.h).
#include "panel_host.h"

#include <QPaintEvent>
#include <QTabBar>

#include "anime_panel.h"
#include "input/input.h"
#include "model/motion.h"
#include "pose_panel.h"
#include "tree_panel.h"

HWND g_hwnd_Tab = nullptr;
HWND g_hwnd_Static = nullptr;
HWND g_hwnd_Dlg[3] = {nullptr, nullptr, nullptr};
int32_t g_Num_Dlg = 3;
int32_t g_Num_tab = 0;
int32_t g_CurrentPage = 0;
int32_t Trackflg = 0;
HWND hNow = nullptr;
HWND hNow2 = nullptr;

namespace {

// The container shows the page of the selected tab whenever it paints; a tab
// change only hides the pages and asks for that paint.
class PageContainer : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* e) override {
        auto* tab = static_cast<QTabBar*>(g_hwnd_Tab);
        g_CurrentPage = tab->currentIndex();
        if (g_CurrentPage >= 0 && g_CurrentPage < g_Num_Dlg && g_hwnd_Dlg[g_CurrentPage])
            g_hwnd_Dlg[g_CurrentPage]->show();
        QWidget::paintEvent(e);
    }
};

void PageChange() {
    g_hwnd_Tab->update();
    g_hwnd_Static->update();
    for (int i = 0; i < g_Num_Dlg; ++i)
        if (g_hwnd_Dlg[i]) g_hwnd_Dlg[i]->hide();
    g_CurrentPage = static_cast<QTabBar*>(g_hwnd_Tab)->currentIndex();
}

}  // namespace

HWND CreateTabCtrl(HWND parent, int32_t firstTab) {
    static const char* const kCaptions[3] = {"状況", "ツリービュー", "アニメ"};
    static const DLGPROC kProcs[3] = {DialogProc1, DialogProc2, DialogProc3};
    static const DlgTemplate* const kTemplates[3] = {&DIALOG1, &DIALOG2, &DIALOG3};

    auto* tab = new QTabBar(parent);
    tab->setObjectName(QStringLiteral("2000"));
    tab->setExpanding(false);
    tab->setDrawBase(false);
    tab->setGeometry(0, 0, kPanelWidth, 50);
    g_hwnd_Tab = tab;

    // The container covers the strip's lower half, so only the row of tabs shows.
    const int top = qMax(25, tab->sizeHint().height());
    auto* box = new PageContainer(parent);
    box->setObjectName(QStringLiteral("2001"));
    box->setGeometry(0, top, kPanelWidth, 920);
    g_hwnd_Static = box;

    for (int i = 0; i < g_Num_Dlg; ++i) {
        const int at = firstTab < 3 ? firstTab : 2;
        tab->insertTab(firstTab, QString::fromUtf8(kCaptions[at]));
        ++firstTab;
        g_hwnd_Dlg[i] = CreateDialogPage(box, *kTemplates[i], kProcs[i]);
        g_hwnd_Dlg[i]->hide();
    }
    tab->setCurrentIndex(0);
    g_CurrentPage = 0;
    QObject::connect(tab, &QTabBar::currentChanged, tab, [](int) { PageChange(); });
    return tab;
}

QWidget* CreatePanelHost(QWidget* mainWindow) {
    auto* host = new QWidget(mainWindow);
    host->setObjectName(QStringLiteral("panel"));
    host->resize(kPanelWidth, kPanelHeight);
    CreateTabCtrl(host, g_Num_tab);
    ++g_Num_tab;
    SetLoadView(PanelLoadView());
    g_SelectInLists = SETCURSEL;
    return host;
}

void PlacePanelHost(QWidget* host, int clientWidth, int clientTop) {
    host->setGeometry(clientWidth - kPanelWidth, clientTop, kPanelWidth, kPanelHeight);
}

HWND CreateSpeedSlider(HWND page, int y, int32_t* reset) {
    HWND track = CreateTrackBar(page, 1, 5, y, 250, 30);
    SetTrackHook(track, TrackProc);
    TrackSetRange(track, 0, 25);
    *reset = int32_t(AnimeFramePlus * 100.0f);
    TrackSetPos(track, *reset);
    SetDlgItemInt(page, 1028, *reset);
    track->setFocus();
    return track;
}

void TrackProc(HWND slider, UINT message) {
    static int32_t bRange = 0;
    if (message == WM_LBUTTONDOWN) {
        Trackflg = 1;
        bRange = 1;
        const int p = TrackGetPos(slider);
        TrackSetSelStart(slider, p);
        SetWindowText(hNow, QString::number(p));
        SetWindowText(hNow2, QString::number(p));
        // The pose page notices the press with its next message.
        SendPageMessage(g_hwnd_Dlg[0], WM_NULL, 0, 0);
    } else if (message == WM_LBUTTONUP) {
        if (bRange == 1) {
            const int p = TrackGetPos(slider);
            TrackSetSelEnd(slider, p);
            SetWindowText(hNow, QString::number(p));
            SetWindowText(hNow2, QString::number(p));
            AnimeFramePlus = float(p) / 100.0f;
        }
        bRange = 0;
    }
}

void SpeedReset(HWND page, HWND slider, int32_t reset) {
    TrackSetPos(slider, reset);
    SetDlgItemInt(page, 1028, reset);
    AnimeFramePlus = float(reset) / 100.0f;
}
