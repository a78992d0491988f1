// The pose panel ("状況"): current part, drag mode and axis, background
// colour, half turn, clears, pose slots, playback of a range at the slider
// speed, and the choreography file. Its slot, file and clear commands recur
// on the other pages under the same ids (SharedCommand).
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

#include "model/motion.h"
#include "platform/controls.h"

extern const DlgTemplate DIALOG1;
extern int32_t Nost, Noen;  // range played from this page

INT_PTR DialogProc1(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Store and restore slot, file save and load, clear current and all parts.
// False for any other id.
bool SharedCommand(HWND page, int id);

// The panel's file dialog ("ファイル選択", starting in CurrentPath with the
// last chosen path filled in). On a choice: FullFileName and FileName set,
// the file's folder made current, *filterIndex the filter left selected
// (0 = first). False when cancelled or when the path does not fit.
bool AskPanelFile(bool save, const QStringList& filters, int* filterIndex);

// A part's name for the controls.
QString PartText(const MOTIONOBJ* part);
// A typed name as a part name: CP932, cut to 254 bytes on a character
// boundary. False when CP932 has no form for it.
bool TypedName(const QString& text, std::string* sjis);
// The first part in walk order bearing the CP932 name, or null.
MOTIONOBJ* FindPart(const char* sjis);
// Whether `name` ends in `ext` (ASCII, case-blind).
bool HasExtension(const char* name, const char* ext);
// "ファイルが開けません" for a chosen file of the wrong kind.
void CannotOpenNotice();
