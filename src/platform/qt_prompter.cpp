// The Qt prompter (see qt_prompter.h).
#include "qt_prompter.h"

#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "hwnd.h"

namespace {

// Layouts here were measured in dialog units of an 8-point font.
QRect Units(int x, int y, int w, int h) {
    return QRect(qRound(x * 1.5), qRound(y * 1.625), qRound(w * 1.5), qRound(h * 1.625));
}

// Index of the filter the dialog reports. With the details hidden, Qt may
// report the label alone ("全てのファイル") rather than the whole filter.
int FilterIndex(const QStringList& filters, const QString& chosen) {
    for (int i = 0; i < filters.size(); ++i) {
        const QString& f = filters[i];
        if (f == chosen || f.left(f.lastIndexOf(QStringLiteral(" ("))) == chosen) return i;
    }
    return 0;
}

// The name dialog: edit 1009, OK (1, default) and キャンセル (2).
class NameDialog : public QDialog {
public:
    NameDialog(QWidget* owner, const QString& caption, const NameCheck& check)
        : QDialog(owner,
                  Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
          check_(check) {
        setWindowTitle(caption);
        setFixedSize(Units(0, 0, 186, 46).size());
        QFont small = font();
        small.setPointSize(8);
        setFont(small);
        edit_ = new QLineEdit(this);
        edit_->setObjectName(QStringLiteral("1009"));
        edit_->setGeometry(Units(7, 18, 113, 12));
        auto* ok = new QPushButton(QStringLiteral("OK"), this);
        ok->setObjectName(QStringLiteral("1"));
        ok->setGeometry(Units(129, 7, 50, 14));
        ok->setDefault(true);
        auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
        cancel->setObjectName(QStringLiteral("2"));
        cancel->setGeometry(Units(129, 24, 50, 14));
        connect(ok, &QPushButton::clicked, this, [this] {
            if (check_(edit_->text())) {
                done(IDOK);
                return;
            }
            edit_->clear();
            activateWindow();
            edit_->setFocus();
        });
        connect(cancel, &QPushButton::clicked, this, [this] { done(IDCANCEL); });
        edit_->setFocus();
    }
    void reject() override { done(IDCANCEL); }

private:
    NameCheck check_;
    QLineEdit* edit_;
};

}  // namespace

int QtPrompter::Message(const QString& text, const QString& caption, int buttons) {
    const bool yesNo = buttons == MB_YESNO;
    QMessageBox box(QMessageBox::NoIcon, caption, text,
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, g_hwnd);
    const int r = box.exec();
    if (!yesNo) return IDOK;
    return r == QMessageBox::Yes ? IDYES : IDNO;
}

FileAnswer QtPrompter::AskFile(const FileQuestion& q) {
    QFileDialog dlg(g_hwnd, q.title);
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(q.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(q.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    // The caller asks about replacing the file it will really write, which
    // may differ from the typed name by an added extension.
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    dlg.setOption(QFileDialog::ReadOnly, false);
    dlg.setNameFilters(q.filters);
    if (q.filterIndex >= 0 && q.filterIndex < q.filters.size())
        dlg.selectNameFilter(q.filters[q.filterIndex]);
    dlg.setDirectory(q.startDir);
    if (!q.startFile.isEmpty()) dlg.selectFile(q.startFile);
    FileAnswer a;
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return a;
    a.accepted = true;
    a.path = dlg.selectedFiles().first();
    a.filterIndex = FilterIndex(q.filters, dlg.selectedNameFilter());
    return a;
}

bool QtPrompter::AskText(const QString& title, QString* text) {
    bool ok = false;
    const QString t = QInputDialog::getText(g_hwnd, title, QString(), QLineEdit::Normal, *text, &ok);
    if (ok) *text = t;
    return ok;
}

int QtPrompter::AskName(const QString& caption, const NameCheck& check) {
    NameDialog dlg(g_hwnd, caption, check);
    return dlg.exec() == IDOK ? IDOK : IDCANCEL;
}

int QtPrompter::PopupMenu(const std::vector<MenuEntry>& entries, QPoint screenPos) {
    QMenu menu(g_hwnd);
    for (const MenuEntry& e : entries) menu.addAction(e.text)->setData(e.id);
    // Centred horizontally on the click, as the context menu of the tree was designed.
    const QPoint at(screenPos.x() - menu.sizeHint().width() / 2, screenPos.y());
    QAction* chosen = menu.exec(at);
    return chosen ? chosen->data().toInt() : 0;
}
