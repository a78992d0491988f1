// The part tree panel ("ツリービュー"): the part tree in a tree view whose
// context menu selects, adds (name dialog, then an X file), changes the X
// file of, renames and deletes parts; a part list, the slot number, slot
// store and restore and the two clears.
//
// Items and parts correspond by label (names are unique); the part lists of
// this page and the pose page hold the same names in the same order, so an
// index on one names the same part on the other.
#pragma once

#include "files/modfile.h"
#include "model/motion.h"
#include "platform/controls.h"

extern const DlgTemplate DIALOG2;
extern HWND hTree;               // the tree view, id 100
extern char AddName[kNameSize];  // CP932 name of the part being added
extern MOTIONOBJ* pSave;         // current part before the last GetMySelect
extern MOTIONOBJ* pC;            // attachment point while adding
extern MOTIONOBJ* pM;

// Context menu entries.
enum : int { ID_SELECT = 40003, ID_ADDPARTS = 40024, ID_XFILE = 40020, ID_RENAME = 40025, ID_DELETE = 40022 };

INT_PTR DialogProc2(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// The name dialog's OK: true when `text` may name a new part (then AddName
// holds it); otherwise the user has been told why.
bool DialogProc4(const QString& text);

// Makes the part of the tree's selected item current.
void GetMySelect(HWND tree);
// pGet = the first part bearing `name` (CP932) in the walk from `part`.
void GetPointer(MOTIONOBJ* part, MOTIONOBJ* parent, const char* name);
// Selects the part's entry in both part lists.
void SETCURSEL(MOTIONOBJ* part);
// Removes `part` and everything below it, leaving `top` current; with the
// root's NextIsSibling at 1, called with the root three times, removes
// everything but the root (and every name from the lists).
void TreeDelete(MOTIONOBJ* part, MOTIONOBJ* parent, MOTIONOBJ* top);

// A part list's selection change on `page`: the entry's part becomes current
// and `other`'s list selects the same index.
void SelectPartFromList(HWND page, HWND other);

// What the choreography reader shows: tree items, list entries and meshes.
ModLoadView* PanelLoadView();
// FileLoad through the panel's view; true when the file was taken (the tree
// and lists were refilled), false when it was refused and nothing changed.
bool LoadChoreography();
