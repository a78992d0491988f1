// Test doubles: a prompter that answers from a script and records every
// message, and a load view that records what the editor would show.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "files/modfile.h"
#include "platform/prompter.h"
#include "platform/sjis.h"

struct Shown {
    QString text, caption;
    int buttons;
};

class ScriptedPrompter : public Prompter {
public:
    std::vector<Shown> shown;
    std::vector<int> answers;  // for Yes/No questions, in order; No when they run out
    ScriptedPrompter() { SetPrompter(this); }
    ~ScriptedPrompter() override { SetPrompter(nullptr); }
    int Message(const QString& text, const QString& caption, int buttons) override {
        shown.push_back({text, caption, buttons});
        if (buttons != MB_YESNO) return IDOK;
        if (answers.empty()) return IDNO;
        const int a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
};

class RecordingView : public ModLoadView {
public:
    struct Item {
        int parent;  // index into items, -1 = top level
        QString name;
    };
    int clears = 0;
    std::vector<Item> items;
    std::vector<QString> entries;
    std::vector<std::string> meshLoads;  // XName of every part whose meshes were loaded
    std::vector<std::string> missingNames;  // XNames to report as missing
    std::vector<std::string> unreadableNames;
    int released = 0;

    void ClearParts() override {
        ++clears;
        items.clear();
        entries.clear();
    }
    void ReleaseMeshes(MOTIONOBJ*) override { ++released; }
    MeshResult LoadMeshes(MOTIONOBJ* part, QString* why) override {
        for (const auto& m : missingNames)
            if (m == part->XName) return MeshMissing;
        for (const auto& m : unreadableNames)
            if (m == part->XName) {
                *why = QStringLiteral("壊れています");
                return MeshUnreadable;
            }
        meshLoads.push_back(part->XName);
        return MeshLoaded;
    }
    HTREEITEM InsertItem(HTREEITEM parent, const MOTIONOBJ* part) override {
        items.push_back({parent ? int(reinterpret_cast<intptr_t>(parent)) - 1 : -1, SjisToQString(part->Name)});
        return reinterpret_cast<HTREEITEM>(intptr_t(items.size()));
    }
    void AddPartEntry(const MOTIONOBJ* part) override { entries.push_back(SjisToQString(part->Name)); }
};
