// Every message box and file dialog of the programs goes through one
// replaceable prompter. The window layer installs one that shows real dialogs
// (QtPrompter, qt_prompter.h); tests install a scripted one that answers and
// records every question.
#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

enum : int { MB_OK = 0x0, MB_YESNO = 0x4 };
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// One open or save dialog: the title, the filters as "name (*.ext)" entries,
// the folder and name to start with.
struct FileQuestion {
    QString title;
    QStringList filters;
    QString startDir;
    bool save = false;
    QString startFile;    // last chosen path, filled in when the dialog opens (may be empty)
    int filterIndex = 0;  // filter selected when the dialog opens, counted from 0
};

// What the user chose in a file dialog.
struct FileAnswer {
    bool accepted = false;
    QString path;         // absolute path of the chosen file
    int filterIndex = 0;  // filter selected when the dialog closed, counted from 0
};

// Called with the text when OK is pressed in a name dialog. False refuses it:
// the check has told the user why, the field is emptied and the dialog stays open.
typedef std::function<bool(const QString& text)> NameCheck;

// One entry of a context menu.
struct MenuEntry {
    int id;
    QString text;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // A notice (MB_OK) or a Yes/No confirmation (MB_YESNO); returns IDOK, IDYES or IDNO.
    virtual int Message(const QString& text, const QString& caption, int buttons) = 0;
    // A file dialog; the default declines.
    virtual FileAnswer AskFile(const FileQuestion&) { return {}; }
    // A one-line text entry; false when cancelled.
    virtual bool AskText(const QString& /*title*/, QString* /*text*/) { return false; }
    // The name dialog: a field, OK and Cancel. Returns IDOK once `check` has
    // accepted a text, IDCANCEL when the user gives up; the default gives up.
    virtual int AskName(const QString& /*caption*/, const NameCheck& /*check*/) { return IDCANCEL; }
    // A context menu at a screen position; returns the chosen entry's id, or
    // 0 when the menu is dismissed (the default).
    virtual int PopupMenu(const std::vector<MenuEntry>& /*entries*/, QPoint /*screenPos*/) { return 0; }
};

// The prompter in use. Without one installed, notices go to standard error and
// confirmations are answered No, so nothing happens that nobody agreed to.
Prompter* CurrentPrompter();
// Installs `p` (null restores the default) and returns the previous one.
Prompter* SetPrompter(Prompter* p);

// Shortcut for CurrentPrompter()->Message.
int MessageBoxA(const QString& text, const QString& caption, int buttons);
