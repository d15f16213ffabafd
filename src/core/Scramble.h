// Scrambling of the language files, trouble-code text files and map files.
// Every byte is combined by exclusive or with a fixed key and with its
// position inside its 1024-byte block, so the routine is its own inverse:
// the same call scrambles a plain file and unscrambles a stored one.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

namespace Scramble {
// The project's key byte and position modulus. Changing either makes every
// stored language, trouble-code and map file unreadable.
inline constexpr quint8 Key = 0x3C;
inline constexpr int Modulus = 241;
inline constexpr int BlockSize = 1024;
}

// Scrambles (or unscrambles) the whole buffer in place.
void ScrambleStream(QByteArray &data);

// Scrambles a random-access stream in place from position 0, block by block:
// the loop ends after the first block shorter than 1024 bytes, and the
// stream is left at position 0. Returns false when a read or write failed.
bool ScrambleStream(QIODevice &stream);

// For every listed file that exists: loads it, scrambles it and saves the
// result beside it under the same name with the extension ".lng". Returns
// the number of files written; a file that cannot be written is skipped.
int ScrambleFilesToLng(const QStringList &files);

// Scrambles the plain language files "<resourceFolder>/_<code>.lang" of every
// language code, then every "<resourceFolder>/OBD-Codes-*.lang", to ".lng".
int ScrambleLanguageFiles(const QString &resourceFolder);
