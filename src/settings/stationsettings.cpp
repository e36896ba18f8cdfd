#include "stationsettings.h"

#include "platform/codec.h"
#include "platform/filewrite.h"


namespace {

// The numeric value of a one-character record: the digit's value, else 0.
int digitValue(const QByteArray &bytes, int record)
{
    if (record > bytes.size())
        return 0;
    const char c = bytes.at(record - 1);
    return (c >= '0' && c <= '9') ? c - '0' : 0;
}

void readSwitch(const QByteArray &bytes, int record, bool &value)
{
    if (record > bytes.size())
        return;
    const char c = bytes.at(record - 1);
    if (c == '0')
        value = false;
    else if (c == '1')
        value = true;
}

QString charText(const QByteArray &bytes, int record)
{
    if (record > bytes.size())
        return {};
    return Codec::fromWindows1252(bytes.mid(record - 1, 1));
}

char firstChar(int value)
{
    return QByteArray::number(value).at(0);
}

char firstChar(const QString &text)
{
    return text.isEmpty() ? ' ' : Codec::toWindows1252(text.left(1)).at(0);
}

bool readWholeFile(const QString &path, QByteArray &bytes, QString *error)
{
    if (!FileWrite::ensureExists(path, error))
        return false;
    return FileRead::whole(path, bytes, error);
}

} // namespace

void SettingsFormat::readSettings(const QByteArray &bytes, StationSettings &s)
{
    s.Receiver1Port = digitValue(bytes, 1);
    s.BaudChoice = digitValue(bytes, 2);
    s.ActivityLogOn = digitValue(bytes, 3);
    s.EbNoRate = digitValue(bytes, 4);
    readSwitch(bytes, 5, s.MpegLogOn);
    readSwitch(bytes, 6, s.RemoteControlOn);
    s.EbNoKeep = charText(bytes, 7);
    s.TwoReceivers = digitValue(bytes, 8);
    s.Receiver2Port = digitValue(bytes, 9);
    s.ReceiverModel = charText(bytes, 10);
}

QByteArray SettingsFormat::settingsBytes(const StationSettings &s, int records)
{
    QByteArray bytes;
    bytes += firstChar(s.Receiver1Port);
    bytes += firstChar(s.BaudChoice);
    bytes += firstChar(s.ActivityLogOn);
    bytes += firstChar(s.EbNoRate);
    bytes += s.MpegLogOn ? '1' : '0';
    bytes += s.RemoteControlOn ? '1' : '0';
    bytes += firstChar(s.EbNoKeep);
    bytes += s.TwoReceivers == 1 ? '1' : '0';
    bytes += firstChar(s.Receiver2Port);
    bytes += firstChar(s.ReceiverModel);
    return bytes.left(records);
}

QString SettingsFormat::readClockResetTime(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    // The record is always five characters; a shorter file reads as padded.
    QByteArray record = bytes.left(kTimeResetLength);
    record.append(QByteArray(kTimeResetLength - record.size(), ' '));
    return Codec::fromWindows1252(record);
}

QByteArray SettingsFormat::timeResetBytes(const QString &clockResetTime)
{
    QByteArray record = Codec::toWindows1252(clockResetTime.left(kTimeResetLength));
    record.append(QByteArray(kTimeResetLength - record.size(), ' '));
    return record;
}

bool SettingsFiles::ReadTimeResetFile(const QString &folder, StationSettings &settings, QString *error)
{
    QByteArray bytes;
    if (!readWholeFile(folder + QLatin1Char('/') + kTimeResetName, bytes, error))
        return false;
    settings.ClockResetTime = SettingsFormat::readClockResetTime(bytes);
    return true;
}

bool SettingsFiles::ReadSettingsFile(const QString &folder, StationSettings &settings, QString *error)
{
    QByteArray bytes;
    if (!readWholeFile(folder + QLatin1Char('/') + kSettingsName, bytes, error))
        return false;
    SettingsFormat::readSettings(bytes, settings);
    return true;
}

bool SettingsFiles::WriteSettingsFiles(const QString &folder, const StationSettings &settings, QString *error,
                                       int records)
{
    const QString settingsPath = folder + QLatin1Char('/') + kSettingsName;
    // An older file's bytes beyond the records written are kept; a missing
    // one is simply new.
    QByteArray bytes;
    QString ignored;
    FileRead::whole(settingsPath, bytes, &ignored);
    const QByteArray written = SettingsFormat::settingsBytes(settings, records);
    if (bytes.size() < written.size())
        bytes.resize(written.size());
    bytes.replace(0, written.size(), written);
    if (!FileWrite::replace(settingsPath, bytes, error))
        return false;
    return FileWrite::replace(folder + QLatin1Char('/') + kTimeResetName,
                              SettingsFormat::timeResetBytes(settings.ClockResetTime), error);
}
