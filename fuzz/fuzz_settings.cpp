// Any bytes read as the settings file and TimeReset.ini; what was written
// reads and writes as itself; a rewrite keeps an older file's extra bytes.

#include "fuzzsupport.h"

#include "settings/stationsettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto written = [](const QByteArray &bytes, int records = kSettingsRecords) {
        StationSettings s;
        SettingsFormat::readSettings(bytes, s);
        return SettingsFormat::settingsBytes(s, records);
    };
    const QByteArray bytes = FUZZ_BYTES(data, size);
    const QByteArray once = written(bytes);
    FUZZ_CHECK(once.size() == kSettingsRecords);
    FUZZ_CHECK(written(bytes, kBackupSettingsRecords) == once.left(kBackupSettingsRecords));
    FUZZ_CHECK(written(once) == once);
    for (const char c : once.left(6) + once.mid(7, 2))
        FUZZ_CHECK(c >= '0' && c <= '9');

    const QString time = SettingsFormat::readClockResetTime(bytes);
    FUZZ_CHECK(time.size() == (bytes.isEmpty() ? 0 : kTimeResetLength));
    for (const QString &text : {time, QString::fromUtf8(bytes), Codec::fromWindows1252(bytes)}) {
        const QByteArray timeBytes = SettingsFormat::timeResetBytes(text);
        FUZZ_CHECK(timeBytes.size() == kTimeResetLength);
        FUZZ_CHECK(SettingsFormat::timeResetBytes(SettingsFormat::readClockResetTime(timeBytes)) == timeBytes);
    }
    FUZZ_CHECK(SettingsFormat::timeResetBytes(time) == bytes.left(kTimeResetLength).leftJustified(kTimeResetLength));

    // On files: the first byte cuts the others into the settings file and TimeReset.ini.
    const qsizetype cut = bytes.isEmpty() ? 0 : uchar(bytes.at(0)) % bytes.size();
    const QByteArray settingsFile = bytes.mid(1, cut);
    const QString folder = FuzzSupport::dataFile(QString());
    FuzzSupport::writeFile(folder + SettingsFiles::kSettingsName, settingsFile);
    FuzzSupport::writeFile(folder + SettingsFiles::kTimeResetName, bytes.mid(1 + cut));
    StationSettings read;
    FUZZ_CHECK(SettingsFiles::ReadTimeResetFile(folder, read, nullptr));
    FUZZ_CHECK(SettingsFiles::ReadSettingsFile(folder, read, nullptr));
    FUZZ_CHECK(read.ClockResetTime == SettingsFormat::readClockResetTime(bytes.mid(1 + cut)));
    for (const int records : {kSettingsRecords, kBackupSettingsRecords}) {
        FuzzSupport::writeFile(folder + SettingsFiles::kSettingsName, settingsFile);
        FUZZ_CHECK(SettingsFiles::WriteSettingsFiles(folder, read, nullptr, records));
        const QByteArray after = FuzzSupport::readFile(folder + SettingsFiles::kSettingsName);
        FUZZ_CHECK(after.left(records) == written(settingsFile, records));
        FUZZ_CHECK(after.mid(records) == settingsFile.mid(records));
        FUZZ_CHECK(FuzzSupport::readFile(folder + SettingsFiles::kTimeResetName)
                   == SettingsFormat::timeResetBytes(read.ClockResetTime));
    }
    return 0;
}
