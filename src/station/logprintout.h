#pragma once

#include "platform/printer.h"

#include <QString>
#include <QStringList>

// "Kestrelpoint Activity Log" for "AL", "Kestrelpoint EbNo Log" for "EB".
QString LogPrintTitle(const QString &logKind);

// The printout of a shown log: on every page a five-line header with the
// title, the day and the page number, then at most 51 lines from column 5.
// The page breaks after its 51st line, even when no line follows.
PrintListing BuildLogPrintout(const QString &logKind, const QString &logDateText, const QStringList &lines);

// Prints the lines as one job. Safe to run on any thread: a long log's job
// is laid out and printed beside the window.
PrintResult PrintLogJob(const QString &logKind, const QString &logDateText, const QStringList &lines,
                        const PrintTarget &target);
// The same, with a job that cannot be printed shown in the error window;
// false then.
bool PrintLog(const QString &logKind, const QString &logDateText, const QStringList &lines,
              const PrintTarget &target = PrintTarget::fromEnvironment());
