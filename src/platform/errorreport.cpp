#include "errorreport.h"

#include <QDebug>

#include <cstring>

namespace {
void writeToStandardError(const QString &text)
{
    qWarning().noquote() << "Error:" << text;
}

ErrorHandler &handler()
{
    static ErrorHandler h = writeToStandardError;
    return h;
}
} // namespace

void setErrorHandler(ErrorHandler h)
{
    handler() = h ? std::move(h) : ErrorHandler(writeToStandardError);
}

void ShowErrorMessage(const QString &text)
{
    handler()(text);
}

QString ErrorReportText(int number, const QString &description)
{
    return QString::number(number) + QStringLiteral("  ") + description;
}

QString errnoDescription(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QString errnoReportText(int err)
{
    return ErrorReportText(err, errnoDescription(err));
}

QString errnoReportText(int err, const QString &path)
{
    return ErrorReportText(err, errnoDescription(err) + QStringLiteral(": ") + path);
}
