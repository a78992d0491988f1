// The Qt prompter (see prompter.h).
#include "prompter.h"

#include <QFileDialog>
#include <QMessageBox>

namespace kavconv {

namespace {

Prompter* installed = nullptr;

// Index of the filter the dialog reports. With the details hidden, Qt reports
// the label alone ("全てのファイル"), not the whole filter.
int FilterIndex(const QStringList& filters, const QString& chosen) {
    for (int i = 0; i < filters.size(); ++i) {
        const QString& f = filters[i];
        if (f == chosen || f.left(f.lastIndexOf(QStringLiteral(" ("))) == chosen) return i;
    }
    return 0;
}

FileAnswer RunFileDialog(QWidget* owner, const FileQuestion& q, QFileDialog::AcceptMode mode) {
    QFileDialog dlg(owner, q.title);
    dlg.setAcceptMode(mode);
    dlg.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // Filters show their labels only ("テキストファイル", "*.mod", ...).
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
    dlg.setNameFilters(q.filters);
    if (q.selectedFilter >= 0 && q.selectedFilter < q.filters.size())
        dlg.selectNameFilter(q.filters[q.selectedFilter]);
    dlg.setDirectory(q.directory);
    if (!q.file.isEmpty()) dlg.selectFile(q.file);
    FileAnswer a;
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return a;
    a.path = dlg.selectedFiles().first();
    a.filter = FilterIndex(q.filters, dlg.selectedNameFilter());
    return a;
}

}  // namespace

FileAnswer QtPrompter::OpenFile(QWidget* owner, const FileQuestion& q) {
    return RunFileDialog(owner, q, QFileDialog::AcceptOpen);
}

FileAnswer QtPrompter::SaveFile(QWidget* owner, const FileQuestion& q) {
    return RunFileDialog(owner, q, QFileDialog::AcceptSave);
}

void QtPrompter::Notice(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

bool QtPrompter::AskYesNo(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

Prompter* GetPrompter() {
    static QtPrompter qt;
    return installed ? installed : &qt;
}

void SetPrompter(Prompter* p) { installed = p; }

}  // namespace kavconv
