// The editor's menus (see menu_resource.h).
#include "menu_resource.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

struct Entry {
    const char16_t* text;
    int id;
    int check;  // -1 = no check mark ever, 0 = off, 1 = on
};

QAction* Add(QMenu* menu, const Entry& e) {
    QAction* a = menu->addAction(QString::fromUtf16(e.text));
    a->setProperty("commandId", e.id);
    if (e.check >= 0) {
        a->setCheckable(true);
        a->setChecked(e.check == 1);
    }
    return a;
}

}  // namespace

QMenuBar* LoadMainMenu(QWidget* parent) {
    auto* bar = new QMenuBar(parent);

    QMenu* edit = bar->addMenu(QStringLiteral("編集"));
    for (const Entry& e : {Entry{u"選択", IDM_SELECT, -1}, Entry{u"パーツを追加", IDM_ADD_PART, -1},
                           Entry{u"Xファイルを変更", IDM_CHANGE_XFILE, -1},
                           Entry{u"名前を変更", IDM_RENAME, -1}, Entry{u"パーツを削除", IDM_DELETE_PART, -1}})
        Add(edit, e);
    // The part tree panel handles these over its tree; here they are greyed.
    edit->menuAction()->setEnabled(false);

    QMenu* view = bar->addMenu(QStringLiteral("表示"));
    Add(view, {u"ライン・スフィアを表示", IDM_LINES, 1});
    Add(view, {u"文字を表示", IDM_TEXT, 1});

    QMenu* toon = bar->addMenu(QStringLiteral("トゥーン"));
    Add(toon, {u"有効", IDM_TOON, 0});
    QMenu* shade = toon->addMenu(QStringLiteral("影の濃さ"));
    Add(shade, {u"薄い", IDM_SHADE_LIGHT, 0});
    Add(shade, {u"標準", IDM_SHADE_NORMAL, 1});
    Add(shade, {u"濃い", IDM_SHADE_DARK, 0});
    Add(shade, {u"真っ黒", IDM_SHADE_BLACK, 0});
    QMenu* outline = toon->addMenu(QStringLiteral("輪郭"));
    Add(outline, {u"細い", IDM_OUTLINE_THIN, 0});
    Add(outline, {u"標準", IDM_OUTLINE_NORMAL, 1});
    Add(outline, {u"太い", IDM_OUTLINE_THICK, 0});

    QMenu* camera = bar->addMenu(QStringLiteral("カメラ視点"));
    Add(camera, {u"追尾カメラ", IDM_FOLLOW_CAMERA, 1});
    Add(camera, {u"固定カメラ", IDM_FIXED_CAMERA, 0});

    QMenu* help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    Add(help, {u"バージョン(&A)", IDM_VERSION, -1});
    return bar;
}
