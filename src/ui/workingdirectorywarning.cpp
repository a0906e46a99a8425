#include "workingdirectorywarning.h"

#include <QDir>
#include <QMessageBox>

void showWorkingDirectoryWarning(QWidget *parent, const QString &path)
{
    auto *box = new QMessageBox(QMessageBox::Warning, QObject::tr("Error creating working directory"),
                                QObject::tr("The Toolbox was unable to create the default working directory:")
                                    + QLatin1Char('\n') + QDir::toNativeSeparators(path),
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}
