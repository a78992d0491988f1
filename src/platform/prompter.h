// Every message box and file dialog of the programs goes through one
// replaceable prompter. The window layer installs one that shows real dialogs;
// tests install a scripted one that answers and records every question.
#pragma once

#include <QString>
#include <QStringList>

enum : int { MB_OK = 0x0, MB_YESNO = 0x4 };
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// One open or save dialog: the title, the filters as "name (*.ext)" entries,
// the folder and name to start with.
struct FileQuestion {
    QString title;
    QStringList filters;
    QString startDir;
    bool save = false;
};

// What the user chose in a file dialog.
struct FileAnswer {
    bool accepted = false;
    QString path;       // absolute path of the chosen file
    int filterIndex = 0;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // A notice (MB_OK) or a Yes/No confirmation (MB_YESNO); returns IDOK, IDYES or IDNO.
    virtual int Message(const QString& text, const QString& caption, int buttons) = 0;
    // A file dialog; the default declines.
    virtual FileAnswer AskFile(const FileQuestion&) { return {}; }
    // A one-line text entry (the name dialog); false when cancelled.
    virtual bool AskText(const QString& /*title*/, QString* /*text*/) { return false; }
};

// The prompter in use. Without one installed, notices go to standard error and
// confirmations are answered No, so nothing happens that nobody agreed to.
Prompter* CurrentPrompter();
// Installs `p` (null restores the default) and returns the previous one.
Prompter* SetPrompter(Prompter* p);

// Shortcut for CurrentPrompter()->Message.
int MessageBoxA(const QString& text, const QString& caption, int buttons);
