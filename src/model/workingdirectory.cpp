#include "workingdirectory.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QMessageBox>

bool ensureWorkingDirectory(const QString &path)
{
    if (QDir(path).exists() || QDir().mkpath(path))
        return true;

    const QString nativePath = QDir::toNativeSeparators(path);
    qWarning() << "Unable to create the default working directory:" << nativePath;
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        auto *box = new QMessageBox(QMessageBox::Warning,
                                    QObject::tr("Error creating working directory"),
                                    QObject::tr("The Toolbox was unable to create the default working directory:")
                                        + QLatin1Char('\n') + nativePath,
                                    QMessageBox::Ok);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    }
    return false;
}
