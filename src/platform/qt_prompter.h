// The prompter of the running editor: message boxes without icon owned by the
// main window, Qt's file dialogs, the name dialog and context menus.
#pragma once

#include "prompter.h"

class QtPrompter : public Prompter {
public:
    int Message(const QString& text, const QString& caption, int buttons) override;
    FileAnswer AskFile(const FileQuestion& q) override;
    bool AskText(const QString& title, QString* text) override;
    int AskName(const QString& caption, const NameCheck& check) override;
    int PopupMenu(const std::vector<MenuEntry>& entries, QPoint screenPos) override;
};
