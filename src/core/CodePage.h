// 8-bit texts of files the program shares with workshops, in a Windows code
// page ("windows-1250", ...), converted through glibc's iconv.
#pragma once

#include <QByteArray>
#include <QString>

// Decodes bytes in the code page; a byte the code page does not define becomes
// U+FFFD. An unknown code page keeps the bytes as Latin-1.
QString DecodeCodePage(const QByteArray &bytes, const QByteArray &codePage);

// Encodes the text in the code page; a character it cannot hold becomes '?'.
// An unknown code page gives Latin-1.
QByteArray EncodeCodePage(const QString &text, const QByteArray &codePage);
