#ifndef TESTFILES_H
#define TESTFILES_H

#include <QByteArray>
#include <QFile>
#include <QString>

// Files the tests write, send, fetch and compare.

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

// A program that appends its arguments, one a line, then "--", to a log file:
// stands for a program the toolbox starts (a browser, a tool) where the test must
// see the command line.
inline bool writeRecordingProgram(const QString &path, const QString &logPath)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\nfor arg in \"$@\"; do printf '%s\\n' \"$arg\"; done >> '");
    file.write(logPath.toLocal8Bit());
    file.write("'\necho -- >> '");
    file.write(logPath.toLocal8Bit());
    file.write("'\n");
    file.close();
    return file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

inline QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

#endif // TESTFILES_H
