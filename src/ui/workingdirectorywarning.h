#ifndef WORKINGDIRECTORYWARNING_H
#define WORKINGDIRECTORYWARNING_H

#include <QString>

class QWidget;

// Tells the user that the default working directory could not be made. The box
// does not wait for an answer, so nothing blocks behind it.
void showWorkingDirectoryWarning(QWidget *parent, const QString &path);

#endif // WORKINGDIRECTORYWARNING_H
