// The settings file and TimeReset.ini: any bytes read, every field stays in
// its range, a write gives the fixed record counts, writing what was read
// and reading it again changes nothing more, and a rewrite keeps the bytes
// an older file had beyond the records written.

#include "fuzzsupport.h"

#include "platform/codec.h"
#include "settings/stationsettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> g_folder;

bool sameSettings(const StationSettings &a, const StationSettings &b)
{
    return a.Receiver1Port == b.Receiver1Port && a.BaudChoice == b.BaudChoice && a.ActivityLogOn == b.ActivityLogOn
        && a.EbNoRate == b.EbNoRate && a.MpegLogOn == b.MpegLogOn && a.RemoteControlOn == b.RemoteControlOn
        && a.EbNoKeep == b.EbNoKeep && a.TwoReceivers == b.TwoReceivers && a.Receiver2Port == b.Receiver2Port
        && a.ReceiverModel == b.ReceiverModel && a.ClockResetTime == b.ClockResetTime;
}

int expectedDigit(const QByteArray &bytes, int record)
{
    if (record > bytes.size())
        return 0;
    const char c = bytes.at(record - 1);
    return (c >= '0' && c <= '9') ? c - '0' : 0;
}

bool expectedSwitch(const QByteArray &bytes, int record, bool before)
{
    if (record > bytes.size())
        return before;
    const char c = bytes.at(record - 1);
    return c == '0' ? false : c == '1' ? true : before;
}

QString expectedText(const QByteArray &bytes, int record)
{
    return record > bytes.size() ? QString() : Codec::fromWindows1252(bytes.mid(record - 1, 1));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void checkSettingsBytes(const QByteArray &bytes, bool mpegBefore, bool remoteBefore)
{
    StationSettings s;
    s.MpegLogOn = mpegBefore;
    s.RemoteControlOn = remoteBefore;
    SettingsFormat::readSettings(bytes, s);
    FUZZ_CHECK(s.Receiver1Port == expectedDigit(bytes, 1));
    FUZZ_CHECK(s.BaudChoice == expectedDigit(bytes, 2));
    FUZZ_CHECK(s.ActivityLogOn == expectedDigit(bytes, 3));
    FUZZ_CHECK(s.EbNoRate == expectedDigit(bytes, 4));
    FUZZ_CHECK(s.MpegLogOn == expectedSwitch(bytes, 5, mpegBefore));
    FUZZ_CHECK(s.RemoteControlOn == expectedSwitch(bytes, 6, remoteBefore));
    FUZZ_CHECK(s.EbNoKeep == expectedText(bytes, 7));
    FUZZ_CHECK(s.TwoReceivers == expectedDigit(bytes, 8));
    FUZZ_CHECK(s.Receiver2Port == expectedDigit(bytes, 9));
    FUZZ_CHECK(s.ReceiverModel == expectedText(bytes, 10));

    const QByteArray written = SettingsFormat::settingsBytes(s);
    FUZZ_CHECK(written.size() == kSettingsRecords);
    FUZZ_CHECK(SettingsFormat::settingsBytes(s, kBackupSettingsRecords) == written.left(kBackupSettingsRecords));
    // Every field that read a value writes that value back.
    FUZZ_CHECK(written.at(0) == char('0' + s.Receiver1Port));
    FUZZ_CHECK(written.at(1) == char('0' + s.BaudChoice));
    FUZZ_CHECK(written.at(3) == char('0' + s.EbNoRate));
    FUZZ_CHECK(written.at(4) == (s.MpegLogOn ? '1' : '0'));
    if (bytes.size() >= 7)
        FUZZ_CHECK(written.at(6) == bytes.at(6));
    if (bytes.size() >= 10)
        FUZZ_CHECK(written.at(9) == bytes.at(9));

    // What was written reads as itself from then on.
    StationSettings again;
    SettingsFormat::readSettings(written, again);
    FUZZ_CHECK(SettingsFormat::settingsBytes(again) == written);
    StationSettings third;
    SettingsFormat::readSettings(SettingsFormat::settingsBytes(again), third);
    FUZZ_CHECK(sameSettings(again, third));
}

void checkTimeReset(const QByteArray &bytes)
{
    const QString time = SettingsFormat::readClockResetTime(bytes);
    if (bytes.isEmpty()) {
        FUZZ_CHECK(time.isEmpty());
        return;
    }
    FUZZ_CHECK(time.size() == kTimeResetLength);
    QByteArray record = bytes.left(kTimeResetLength);
    record.append(QByteArray(kTimeResetLength - record.size(), ' '));
    FUZZ_CHECK(time == Codec::fromWindows1252(record));
    const QByteArray written = SettingsFormat::timeResetBytes(time);
    FUZZ_CHECK(written == record);
    FUZZ_CHECK(SettingsFormat::readClockResetTime(written) == time);
}

// Whatever the Setup window's box holds, the file gets exactly five bytes.
void checkTimeResetFromText(const QByteArray &bytes)
{
    for (const QString &text : {QString::fromUtf8(bytes), Codec::fromWindows1252(bytes)}) {
        const QByteArray written = SettingsFormat::timeResetBytes(text);
        FUZZ_CHECK(written.size() == kTimeResetLength);
        FUZZ_CHECK(SettingsFormat::readClockResetTime(written).size() == kTimeResetLength);
    }
}

// The readers and the writer on real files: the first bytes of the input are
// the settings file, the rest TimeReset.ini.
void checkFiles(const QByteArray &input)
{
    const qsizetype cut = input.isEmpty() ? 0 : static_cast<unsigned char>(input.at(0)) % (input.size() + 1);
    const QByteArray settingsBytes = input.mid(1, cut);
    const QByteArray timeBytes = input.mid(1 + cut);
    const QString folder = g_folder->path();
    const QString settingsPath = folder + QLatin1Char('/') + SettingsFiles::kSettingsName;
    const QString timePath = folder + QLatin1Char('/') + SettingsFiles::kTimeResetName;
    writeFile(settingsPath, settingsBytes);
    writeFile(timePath, timeBytes);

    StationSettings read;
    QString error;
    FUZZ_CHECK(SettingsFiles::ReadTimeResetFile(folder, read, &error));
    FUZZ_CHECK(SettingsFiles::ReadSettingsFile(folder, read, &error));
    StationSettings expected;
    SettingsFormat::readSettings(settingsBytes, expected);
    expected.ClockResetTime = SettingsFormat::readClockResetTime(timeBytes);
    FUZZ_CHECK(sameSettings(read, expected));

    for (const int records : {kSettingsRecords, kBackupSettingsRecords}) {
        writeFile(settingsPath, settingsBytes);
        FUZZ_CHECK(SettingsFiles::WriteSettingsFiles(folder, read, &error, records));
        const QByteArray after = readFile(settingsPath);
        const QByteArray written = SettingsFormat::settingsBytes(read, records);
        FUZZ_CHECK(after.size() == qMax(settingsBytes.size(), written.size()));
        FUZZ_CHECK(after.left(records) == written);
        FUZZ_CHECK(after.mid(records) == settingsBytes.mid(records));
        FUZZ_CHECK(readFile(timePath) == SettingsFormat::timeResetBytes(read.ClockResetTime));
    }

    // Missing files are created empty and read as the empty values.
    QFile::remove(settingsPath);
    QFile::remove(timePath);
    StationSettings fresh;
    FUZZ_CHECK(SettingsFiles::ReadTimeResetFile(folder, fresh, &error));
    FUZZ_CHECK(SettingsFiles::ReadSettingsFile(folder, fresh, &error));
    FUZZ_CHECK(sameSettings(fresh, StationSettings{}));
    FUZZ_CHECK(QFile::exists(settingsPath) && QFile::exists(timePath));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    FuzzSupport::quietQt();
    g_folder = std::make_unique<QTemporaryDir>();
    FUZZ_CHECK(g_folder->isValid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzSupport::bytesOf(data, size);
    checkSettingsBytes(bytes, false, false);
    checkSettingsBytes(bytes, true, true);
    checkTimeReset(bytes);
    checkTimeResetFromText(bytes);
    checkFiles(bytes);
    return 0;
}
