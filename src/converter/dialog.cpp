// Kavconv's dialog (see dialog.h).
#include "dialog.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include "conv.h"
#include "prompter.h"

namespace kavconv {

namespace {

// The dialog was designed in dialog units of an 8-point font.
QRect Units(int x, int y, int w, int h) {
    return QRect(qRound(x * 1.5), qRound(y * 1.625), qRound(w * 1.5), qRound(h * 1.625));
}

QString Title() { return QStringLiteral("ファイル選択"); }

}  // namespace

ConvDialog::ConvDialog(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Kavconv"));
    setFixedSize(Units(0, 0, 186, 90).size());
    // The units above assume an 8-point font; a larger one would not fit the buttons.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto pathBox = [this](int id, QRect where) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::number(id));
        edit->setReadOnly(true);
        edit->setGeometry(where);
        return edit;
    };
    auto button = [this](int id, const QString& text, QRect where) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::number(id));
        b->setGeometry(where);
        connect(b, &QPushButton::clicked, this, [this, id] { DialogProc1(id); });
        return b;
    };
    edit1001_ = pathBox(IDC_TEXTPATH, Units(7, 7, 96, 13));
    edit1002_ = pathBox(IDC_PRTPATH, Units(7, 31, 96, 13));
    QPushButton* gousei = button(IDC_GOUSEI, QStringLiteral("合成"), Units(23, 57, 126, 14));
    QPushButton* textOpen = button(IDC_TEXTOPEN, QStringLiteral("txtファイル読込"), Units(118, 7, 61, 14));
    QPushButton* prtOpen = button(IDC_PRTOPEN, QStringLiteral("prtファイル読込"), Units(118, 29, 61, 14));
    gousei->setDefault(true);
    setTabOrder(edit1001_, edit1002_);
    setTabOrder(edit1002_, gousei);
    setTabOrder(gousei, textOpen);
    setTabOrder(textOpen, prtOpen);
}

void ConvDialog::reject() { done(0); }

void ConvDialog::DialogProc1(int id) {
    switch (id) {
        case IDC_TEXTOPEN:
            ChooseInput(true);
            break;
        case IDC_PRTOPEN:
            ChooseInput(false);
            break;
        case IDC_GOUSEI:
            Gousei();
            break;
        case IDC_TEXTPATH:
        case IDC_PRTPATH:
            break;
        default:
            done(0);
            break;
    }
}

void ConvDialog::ChooseInput(bool text) {
    QString& full = text ? textFullFileName : prtFullFileName;
    QString& name = text ? textFileName : prtFileName;
    const QString ext = text ? QStringLiteral(".txt") : QStringLiteral(".prt");
    FileQuestion q;
    q.title = Title();
    q.filters = {text ? QStringLiteral("テキストファイル (*.txt)") : QStringLiteral("PRTファイル (*.prt)"),
                 QStringLiteral("全てのファイル (*)")};
    q.directory = CurrentPath;
    q.file = full;
    FileAnswer a = GetPrompter()->OpenFile(this, q);
    if (a.path.isEmpty()) return;
    full = a.path;
    name = QFileInfo(a.path).fileName().toLower();
    if (!name.endsWith(ext)) {
        GetPrompter()->Notice(this, QStringLiteral("ファイルが開けません"), QStringLiteral("エラー"));
        done(0);
        return;
    }
    if (text) {
        edit1001_->setText(full);
        flg1 = 1;
    } else {
        edit1002_->setText(full);
        flg2 = 1;
    }
}

void ConvDialog::Gousei() {
    if (flg1 != 1 || flg2 != 1) return;
    QString why;
    if (!TextRead(&why) || !PrtRead(&why)) {
        GetPrompter()->Notice(this, why, QStringLiteral("エラー"));
        return;
    }
    for (;;) {
        FileQuestion q;
        q.title = Title();
        q.filters = {QStringLiteral("*.mod (*.mod)"), QStringLiteral("全てのファイル (*)")};
        q.directory = CurrentPath;
        q.file = FullFileName;
        FileAnswer a = GetPrompter()->SaveFile(this, q);
        if (a.path.isEmpty()) return;
        FullFileName = a.path;
        FileName = QFileInfo(a.path).fileName().toLower();
        if (a.filter == 0 && !FileName.endsWith(QStringLiteral(".mod"))) FileName += QStringLiteral(".mod");
        // Asked here rather than by the file dialog: the name written may differ
        // from the one typed.
        if (QFileInfo::exists(OutputPath()) &&
            !GetPrompter()->AskYesNo(
                this, QStringLiteral("%1 は既に存在します。\n上書きしますか？").arg(FileName), Title()))
            continue;
        break;
    }
    if (!FileSave(&why)) GetPrompter()->Notice(this, why, QStringLiteral("エラー"));
}

}  // namespace kavconv
