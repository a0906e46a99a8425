#ifndef TESTFILES_H
#define TESTFILES_H

#include <QByteArray>
#include <QFile>
#include <QString>

// Files the transfer tests send, fetch and compare.

// Bytes that differ from file to file (by seed) and from block to block, so a
// misplaced or repeated piece shows.
inline QByteArray testPattern(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((uint(i) * 31 + uint(seed) * 7 + uint(i) / 256) & 0xFF);   // unsigned: may wrap
    return bytes;
}

inline bool writeTestFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A missing file reads as "(missing)", so it never equals an expected empty file.
inline QByteArray readTestFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

#endif // TESTFILES_H
