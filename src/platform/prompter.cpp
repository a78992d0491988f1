// The prompter in use (see prompter.h).
#include "prompter.h"

#include <cstdio>

namespace {
class StderrPrompter : public Prompter {
public:
    int Message(const QString& text, const QString& caption, int buttons) override {
        std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(), text.toLocal8Bit().constData());
        return buttons == MB_YESNO ? IDNO : IDOK;
    }
};
StderrPrompter gStderrPrompter;
Prompter* gPrompter = &gStderrPrompter;
}  // namespace

Prompter* CurrentPrompter() { return gPrompter; }

Prompter* SetPrompter(Prompter* p) {
    Prompter* old = gPrompter;
    gPrompter = p ? p : &gStderrPrompter;
    return old == &gStderrPrompter ? nullptr : old;
}

int MessageBoxA(const QString& text, const QString& caption, int buttons) {
    return gPrompter->Message(text, caption, buttons);
}
