// Kavconv without a window: kavconv MOTION PARTS -o OUT.mod
#pragma once

#include <QStringList>
#include <cstdio>

namespace kavconv {

// Converts as the dialog's "合成" does, writing OUT exactly as named. Errors go
// to `err`; returns the exit status (0 on success, which prints nothing).
int ConvCommandLine(const QStringList& args, FILE* out, FILE* err);

}  // namespace kavconv
