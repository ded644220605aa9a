#pragma once

#include <QByteArray>
#include <QString>

#include <filesystem>

class QFile;

// File names on a card are bytes. A card mounted with another character set can hold names that
// are not valid UTF-8; decoding those the usual way replaces the odd bytes and the name no longer
// reaches the file. These helpers keep every byte: a byte that is not part of valid UTF-8 becomes
// the lone surrogate U+DC80 + byte (0x80-0xFF), which no valid name contains, and turns back into
// that byte on the way to the file system. Valid UTF-8 decodes and encodes as usual.

// The text of a file name (or path) read from the file system.
QString DecodeFileName(const QByteArray &bytes);

// The bytes of a name or path made by DecodeFileName (or any ordinary text).
QByteArray EncodeFileName(const QString &name);

// The same as a std::filesystem path.
std::filesystem::path FileSystemPath(const QString &path);

// Opens `file` for reading the file at `path` by its bytes. Only a regular file opens, never
// through a symbolic link, and a FIFO or device never blocks the open (OpenRegularFile). False
// when it cannot be opened.
bool OpenFileForReading(QFile &file, const QString &path);

// Whether `path` names a regular file (not a link) that this user may read.
bool IsReadableFile(const QString &path);
