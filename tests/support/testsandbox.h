#ifndef TESTSANDBOX_H
#define TESTSANDBOX_H

#include <QString>
#include <QTemporaryDir>

// Gives a test its own working directory and its own settings store, so no test
// reads or writes the user's files ("./axdevices.db", "filter.ini", the settings)
// nor those of another test. The previous working directory is restored on destruction.
class TestSandbox
{
public:
    TestSandbox();
    ~TestSandbox();

    bool isValid() const;
    QString path() const;
    QString filePath(const QString &name) const;
    QString settingsPath() const;

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
};

#endif // TESTSANDBOX_H
