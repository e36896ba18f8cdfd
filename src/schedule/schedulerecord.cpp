#include "schedulerecord.h"

namespace {

QString field(const QString &record, int position, int width)
{
    return record.mid(position - 1, width).leftJustified(width, QLatin1Char(' '), true);
}

// Writes only as many characters as the value has, never more than the width.
void overlay(QString &record, int position, int width, const QString &value)
{
    const QString cut = value.left(width);
    record.replace(position - 1, cut.size(), cut);
}

QString digitText(int value)
{
    return (value >= 1 && value <= 9) ? QString::number(value) : QStringLiteral(" ");
}

} // namespace

QString withoutLeadingSpaces(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    return text.mid(i);
}

QString withoutPadding(const QString &field)
{
    qsizetype end = field.size();
    while (end > 0 && field.at(end - 1) == QLatin1Char(' '))
        --end;
    return field.left(end);
}

int leadingNumber(const QString &text)
{
    int value = 0;
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i)
        value = value * 10 + (text.at(i).unicode() - '0');
    return value;
}

QString fixedWidth(const QString &text, int width)
{
    return text.leftJustified(width, QLatin1Char(' '), true);
}

int digitValue(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ? c.unicode() - '0' : 0;
}

ScheduleRecord ParseScheduleRecord(const QString &record)
{
    ScheduleRecord r;
    r.InUse = record.left(1);
    if (!r.inUse())
        return r;
    const QString full = fixedWidth(record, kRecordLength);
    r.PgmName = fixedWidth(withoutLeadingSpaces(field(full, 2, 25)), 25);
    r.SatLen = field(full, 27, 5);
    r.SatLang = field(full, 32, 3);
    r.SatPort = field(full, 35, 1);
    r.SatRoute = field(full, 36, 1);
    r.SatAtt = field(full, 37, 2);
    r.RemoteStart = digitValue(full.at(38));
    r.Receiver = digitValue(full.at(39));
    for (int d = 0; d < 7; ++d)
        r.SwitchTime[d] = fixedWidth(withoutLeadingSpaces(field(full, 41 + 8 * d, 8)), 8);
    return r;
}

QString FreshScheduleRecord()
{
    return QStringLiteral("1") + QString(kRecordLength - 1, QLatin1Char(' '));
}

QString BuildScheduleRecord(const ScheduleRecord &v)
{
    QString record = FreshScheduleRecord();
    overlay(record, 2, 25, v.PgmName);
    overlay(record, 27, 5, v.SatLen);
    overlay(record, 32, 3, v.SatLang);
    overlay(record, 35, 1, v.SatPort);
    overlay(record, 36, 1, v.SatRoute);
    overlay(record, 37, 2, v.SatAtt);
    overlay(record, 39, 1, digitText(v.RemoteStart));
    overlay(record, 40, 1, digitText(v.Receiver));
    for (int d = 0; d < 7; ++d)
        overlay(record, 41 + 8 * d, 8, v.SwitchTime[d]);
    return record;
}
