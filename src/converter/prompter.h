// Every question Kavconv asks the user goes through one replaceable prompter:
// the open and save dialogs, notices and yes/no questions. The program uses
// QtPrompter; tests install a scripted one.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace kavconv {

// One file dialog as the program sets it up.
struct FileQuestion {
    QString title;
    QStringList filters;     // Qt name filters, "label (*.ext)"
    int selectedFilter = 0;  // index into filters
    QString directory;       // initial folder
    QString file;            // initially chosen file (the last one), may be empty
};

struct FileAnswer {
    QString path;    // empty = cancelled
    int filter = 0;  // index of the filter left selected
};

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual FileAnswer OpenFile(QWidget* owner, const FileQuestion& q) = 0;
    // Must not ask about replacing a file: the caller asks about the file it
    // will really write.
    virtual FileAnswer SaveFile(QWidget* owner, const FileQuestion& q) = 0;
    // A notice with an OK button.
    virtual void Notice(QWidget* owner, const QString& text, const QString& caption) = 0;
    // Yes and No; true for Yes.
    virtual bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) = 0;
};

// Message boxes without icon and Qt's file dialogs.
class QtPrompter : public Prompter {
public:
    FileAnswer OpenFile(QWidget* owner, const FileQuestion& q) override;
    FileAnswer SaveFile(QWidget* owner, const FileQuestion& q) override;
    void Notice(QWidget* owner, const QString& text, const QString& caption) override;
    bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) override;
};

// The prompter in use (a QtPrompter unless one was installed).
Prompter* GetPrompter();
// Installs `p` (not owned); null brings back the QtPrompter.
void SetPrompter(Prompter* p);

}  // namespace kavconv
