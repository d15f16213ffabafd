// Process-wide trace log: one file "log<namePart>.txt" in the current folder,
// written one time-stamped line at a time under a lock, so that lines from
// several threads never interleave.
#pragma once

#include <QString>

// Creates (or truncates) "log" + namePart + ".txt" in the current folder. A
// log that is already open is closed first. Returns false when the file
// cannot be created (nothing is logged then).
bool InitFileLogger(const QString &namePart);

// Writes "<yyyy-mm-dd hh:nn:ss.zzz> (<thread id>): <text>\r\n". A line longer
// than 2048 bytes is cut so that it fits with its line end. Writes nothing
// while the log is closed.
void LogToFile(const QString &text);

// Closes the log file; logging afterwards writes nothing.
void CloseFileLogger();

// True while the log file is open.
bool FileLoggerOpen();

// Name of the open log file (empty while closed).
QString FileLoggerFileName();

// Longest line written, line end included.
inline constexpr int kLogLineBufferSize = 2048;
