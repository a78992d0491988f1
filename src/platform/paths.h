// Start directory, current directory and the file names chosen in dialogs.
//
// CurrentPath and FileName hold names in the file system's own encoding
// (UTF-8 here); they are never stored in a choreography file. Paths stored in
// files (XName) are CP932 with backslashes and go through ResolveStoredPath.
#pragma once

#include <QString>
#include <string>

constexpr int kPathSize = 256;

extern char CurrentPath[kPathSize];  // the start directory
extern char FileName[255];           // chosen file, without its folder, lower-cased
extern char FullFileName[255];       // chosen file, absolute

// Records the process's current directory as the start directory.
void RememberStartDirectory();
bool SetCurrentDirectoryA(const char* path);
// Lower-cases ASCII letters in place (names are compared case-blind).
void CharLowerA(char* s);

// File-system name of a local 8-bit string, and back.
QString LocalToQString(const char* name);
std::string QStringToLocal(const QString& name);

// The file system path for a path stored in a file: CP932 converted, both
// backslash and slash taken as separators, relative paths against the current
// directory, and, when the exact name does not exist, each component matched
// without regard to letter case. Returns the converted path even when nothing
// exists there (the caller then reports it as missing).
QString ResolveStoredPath(const char* storedSjis);
