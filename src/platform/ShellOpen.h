// Opens a file or folder with the desktop's default program (a document in
// its viewer, a folder in the file manager). Tests replace the opener.
#pragma once

#include <QString>

#include <functional>

// Asks the desktop to open path; false when it could not.
bool ShellOpen(const QString &path);

// Replaces the opener (an empty function restores the desktop's).
using TShellOpener = std::function<bool(const QString &path)>;
void SetShellOpener(TShellOpener opener);
