// Whole-file reads of files that come from outside (settings, map, language,
// upgrade, INI, trouble-code and picture files): only regular files are
// opened, without blocking on a FIFO or a device, and a file larger than its
// kind's limit is refused before anything is read. Files the program writes
// as it goes (the recorder's data file) are opened under the same rule.
#pragma once

#include <QByteArray>
#include <QString>

struct TFileRead {
    enum class Status {
        Ok,
        NotFound,   // no such file
        NotAFile,   // a folder, FIFO, device or socket
        TooLarge,   // larger than the limit
        ReadError,  // the system refused to open or read it
    };
    Status Result = Status::NotFound;
    QByteArray Bytes;   // the whole file when Ok
    qint64 Size = 0;    // the size found (TooLarge)
    QString SystemError; // the system's reason (ReadError)
    bool Opened = false; // the file was opened: a ReadError failed part-way

    bool Ok() const { return Result == Status::Ok; }
    // Whether path holds characters that stand for bytes the system's text
    // could not spell (a name that is not valid UTF-8): such a file cannot be
    // opened by this name.
    static bool NameUnreadable(const QString &path);
    // The reason in words (the language's, English without one), with the
    // path and the limit.
    QString Describe(const QString &path, qint64 maxSize) const;
    // The same for a file that was read but holds bytes no text file holds.
    static QString DescribeNotText(const QString &path);
};

// Reads the whole regular file at path when it holds at most maxSize bytes.
TFileRead ReadRegularFile(const QString &path, qint64 maxSize);

// Opens the file at path for writing from its start, created when missing
// and emptied when there: only a regular file is opened, without waiting on
// a FIFO or a device. The descriptor (blocking from then on), or -1 with
// the reason in words.
int OpenRegularFileForWriting(const QString &path, QString &reason);
