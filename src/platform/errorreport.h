#pragma once

#include <QString>

#include <functional>

// The one way the program tells the operator about a failure or a refused
// input. The program sets a handler that opens the error window; tests set
// one that records the texts.
using ErrorHandler = std::function<void(const QString &text)>;

// A null handler restores the default, which writes to standard error.
void setErrorHandler(ErrorHandler handler);
void ShowErrorMessage(const QString &text);

// The failure's number, two spaces and its description.
QString ErrorReportText(int number, const QString &description);
// ErrorReportText for a system call's errno.
QString errnoReportText(int err);
// The same for a failure on a file or folder, which the description names:
// "2  No such file or directory: /media/floppy0/SwitchList.dat".
QString errnoReportText(int err, const QString &path);
QString errnoDescription(int err);
