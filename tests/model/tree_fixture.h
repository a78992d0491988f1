// Small trees for the model and playback tests.
#pragma once

#include <cstring>

#include "model/motion.h"

// Adds a named part as the last child of `parent`.
inline MOTIONOBJ* AddChild(MOTIONOBJ* parent, const char* name) {
    if (!parent->pChild) {
        OBJInit(parent, name);
        return parent->pChild;
    }
    MOTIONOBJ* last = parent->pChild;
    while (last->pNext) last = last->pNext;
    last->NextIsSibling = 1;
    OBJInit(last, name);
    last->NextIsSibling = 0;
    return last->pNext;
}

// A fresh motion set with the root alone; frees the tree on destruction.
struct FreshDocument {
    FreshDocument() {
        std::memset(static_cast<void*>(&Cha), 0, sizeof Cha);
        No = 0;
        AnimeFramePlus = 0.05f;
        GameInit(&Cha);
    }
    ~FreshDocument() { FreeTree(&Cha, nullptr, nullptr); }
    MOTIONOBJ* root() const { return Cha.pTop; }
};
