// The control panel in a test: a main window with the panel, a fresh motion
// set, a start directory of its own, and a prompter that answers every
// question from a script and records it.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <deque>
#include <functional>

#include "files/modfile.h"
#include "files/recorders.h"
#include "input/input.h"
#include "panels/anime_panel.h"
#include "panels/panel_host.h"
#include "panels/pose_panel.h"
#include "panels/tree_panel.h"
#include "platform/hwnd.h"
#include "platform/paths.h"
#include "playback/anime.h"
#include "render/frame.h"
#include "render/meshes.h"
#include "render/xgen.h"
#include "qt_app_environment.h"

// Widgets need an application; it is made when the first test runs, so that
// listing the tests needs no display.
KAV_QT_TEST_APPLICATION(false);

// ScriptedPrompter, with file dialogs, the name dialog and context menus.
class PanelPrompter : public ScriptedPrompter {
public:
    std::vector<FileQuestion> files;  // every file dialog shown
    std::deque<QString> fileAnswers;  // chosen paths; "" = cancel; none left = cancel
    std::deque<int> filterAnswers;    // filter left selected with each path (0 when none left)
    std::deque<QString> names;        // typed into the name dialog, one per OK press
    int nameDialogs = 0;
    std::vector<std::vector<MenuEntry>> menus;  // every context menu shown
    std::deque<int> menuAnswers;                // chosen ids; none left = dismissed

    FileAnswer AskFile(const FileQuestion& q) override {
        files.push_back(q);
        FileAnswer a;
        if (fileAnswers.empty()) return a;
        a.path = fileAnswers.front();
        fileAnswers.pop_front();
        a.accepted = !a.path.isEmpty();
        if (!filterAnswers.empty()) {
            a.filterIndex = filterAnswers.front();
            filterAnswers.pop_front();
        }
        return a;
    }
    // OK with each scripted name in turn; Cancel once they are all refused.
    int AskName(const QString&, const NameCheck& check) override {
        ++nameDialogs;
        while (!names.empty()) {
            const QString n = names.front();
            names.pop_front();
            if (n == QStringLiteral("<cancel>")) return IDCANCEL;
            if (check(n)) return IDOK;
        }
        return IDCANCEL;
    }
    int PopupMenu(const std::vector<MenuEntry>& entries, QPoint) override {
        menus.push_back(entries);
        if (menuAnswers.empty()) return 0;
        const int id = menuAnswers.front();
        menuAnswers.pop_front();
        return id;
    }
    // Shown texts, in order.
    QStringList Texts() const {
        QStringList t;
        for (const Shown& s : shown) t << s.text;
        return t;
    }
    void Yes(int n = 1) {
        for (int i = 0; i < n; ++i) answers.push_back(IDYES);
    }
};

// Readable failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{';
    for (const QString& s : l) *os << '"' << s.toStdString() << "\" ";
    *os << '}';
}

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// A small X file: one triangle, scaled.
inline std::string TriangleX(double size = 1.0) {
    XMeshSpec m;
    m.pos = {0, 0, 0, 0, size, 0, size, 0, 0};
    m.faces = {{0, 1, 2}};
    XWriter w;
    WriteMeshHead(&w, m);
    w.Close();
    return w.Text();
}

class PanelTest : public ::testing::Test {
protected:
    HWND pose() const { return g_hwnd_Dlg[0]; }
    HWND treePage() const { return g_hwnd_Dlg[1]; }
    HWND anime() const { return g_hwnd_Dlg[2]; }

    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        oldDir_ = QDir::currentPath();
        root_ = QFileInfo(tmp_.path()).canonicalFilePath();
        StartEditor();
    }

    void TearDown() override {
        QuitEditor();
        QDir::setCurrent(oldDir_);
    }

    // What a start of the editor does for the panel: the globals as a fresh
    // start leaves them, the main window with the panel, then the motion set.
    void StartEditor() {
        QDir::setCurrent(root_);
        RememberStartDirectory();
        FileName[0] = FullFileName[0] = 0;
        No = 0;
        Btflg = 0;
        AnimeFramePlus = 0.05f;
        Red = Green = Blue = 100;
        Modeflg = 0;
        Zikuflg = 1;
        NoChildflg = 0;
        Nost = Noen = HNost = HNoen = FNost = FNoen = 0;
        Kflg = flamenow = 0;
        Trackflg = 0;
        g_Num_tab = 0;
        g_SelectInLists = nullptr;
        std::memset(static_cast<void*>(&Cha), 0, sizeof Cha);

        window_ = new QWidget;
        window_->resize(1040, 640);
        g_hwnd = window_;
        host_ = CreatePanelHost(window_);
        PlacePanelHost(host_, 1040, 0);
        GameInit(&Cha);
        window_->show();
        // Pages appear when the container paints, which needs a mapped window;
        // on a busy machine that takes more than a few event turns.
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
        Settle();
    }

    // What quitting does: the tree freed with its meshes, the window gone.
    void QuitEditor() {
        SetLoadView(nullptr);
        FreeTree(
            &Cha, [](MOTIONOBJ* p, void*) { ReleasePartMeshes(p); }, nullptr);
        delete window_;
        window_ = nullptr;
        g_hwnd = nullptr;
    }

    static void Settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }

    QString Path(const QString& name) const { return root_ + QLatin1Char('/') + name; }
    void WriteBytes(const QString& name, const std::string& bytes) const {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), qint64(bytes.size()));
    }

    static void Click(HWND page, int id) {
        auto* b = qobject_cast<QAbstractButton*>(GetDlgItem(page, id));
        ASSERT_NE(b, nullptr) << id;
        b->click();
    }
    // The user picks entry i of a part list.
    static void Choose(HWND page, int i) {
        auto* c = qobject_cast<QComboBox*>(GetDlgItem(page, 1005));
        c->setCurrentIndex(i);
        emit c->activated(i);
    }
    static QStringList Entries(HWND page) {
        QStringList l;
        for (int i = 0; i < ComboCount(page, 1005); ++i) l << ComboText(page, 1005, i);
        return l;
    }
    static QString Shown(HWND page) { return ComboText(page, 1005, ComboCurSel(page, 1005)); }
    static int Number(HWND page, int id) { return GetDlgItemText(page, id).toInt(); }
    static void Step(HWND page, int editId, int steps) {
        for (int i = 0; i < std::abs(steps); ++i) UpDownStep(GetDlgItem(page, editId), steps > 0 ? 1 : -1);
    }
    // Makes slot `n` current with the page's up-down.
    static void GoToSlot(HWND page, int n) {
        HWND ud = GetDlgItem(page, 1017);
        Step(page, 1017, n - UpDownGetPos(ud));
    }

    // The tree as "name(child,child)" in item order.
    static QString TreeShape(HTREEITEM item = nullptr) {
        QString s;
        const int n = TreeChildCount(hTree, item);
        for (int i = 0; i < n; ++i) {
            HTREEITEM c = TreeChild(hTree, item, i);
            if (i) s += QLatin1Char(',');
            s += TreeGetItemText(hTree, c);
            if (TreeChildCount(hTree, c)) s += QLatin1Char('(') + TreeShape(c) + QLatin1Char(')');
        }
        return s;
    }
    // The part tree in the same form.
    static QString PartShape(const MOTIONOBJ* part) {
        QString s;
        for (const MOTIONOBJ* p = part; p; p = p->pNext) {
            if (p != part) s += QLatin1Char(',');
            s += PartText(p);
            if (p->pChild) s += QLatin1Char('(') + PartShape(p->pChild) + QLatin1Char(')');
        }
        return s;
    }
    static HTREEITEM FindItem(const QString& label, HTREEITEM under = nullptr) {
        for (int i = 0; i < TreeChildCount(hTree, under); ++i) {
            HTREEITEM c = TreeChild(hTree, under, i);
            if (TreeGetItemText(hTree, c) == label) return c;
            if (HTREEITEM d = FindItem(label, c)) return d;
        }
        return nullptr;
    }
    // Right-click on an item and pick `command` from the context menu.
    void Menu(const QString& label, int command) {
        HTREEITEM item = FindItem(label);
        ASSERT_NE(item, nullptr) << label.toStdString();
        prompter.menuAnswers.push_back(command);
        const QPoint at = TreeItemCenter(hTree, item);
        SendPageMessage(treePage(), WM_CONTEXTMENU, WPARAM(hTree), MAKELPARAM(at.x(), at.y()));
    }
    // Adds a part named `name` under the item `under` with the X file `xfile`.
    void AddPart(const QString& under, const QString& name, const QString& xfile) {
        prompter.names.push_back(name);
        prompter.fileAnswers.push_back(xfile.isEmpty() ? QString() : Path(xfile));
        Menu(under, ID_ADDPARTS);
    }

    // Left press and release on a slider with the thumb moved from the
    // press position to `to` in between, as a drag does.
    static void Drag(HWND slider, int to, const std::function<void()>& during = {}) {
        auto* s = static_cast<QSlider*>(slider);
        QStyleOptionSlider opt;
        opt.initFrom(s);
        opt.orientation = s->orientation();
        opt.minimum = s->minimum();
        opt.maximum = s->maximum();
        opt.sliderPosition = s->sliderPosition();
        opt.sliderValue = s->value();
        opt.tickPosition = s->tickPosition();
        const QRect handle = s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, s);
        const QPointF at = handle.center();
        QMouseEvent press(QEvent::MouseButtonPress, at, s->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(s, &press);
        s->setValue(to);
        if (during) during();
        QMouseEvent release(QEvent::MouseButtonRelease, at, s->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(s, &release);
    }
    static HWND Slider(HWND page) { return GetDlgItem(page, 1); }

    PanelPrompter prompter;
    QTemporaryDir tmp_;
    QString oldDir_, root_;
    QWidget* window_ = nullptr;
    QWidget* host_ = nullptr;
};
