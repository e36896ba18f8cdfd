// The schedule record: any text parses, every build is 96 characters, and a
// parsed record rebuilt and parsed again is the same record. The store over
// a file of any bytes lists exactly the records in use.

#include "fuzzsupport.h"

#include "platform/codec.h"
#include "schedule/schedulerecord.h"
#include "schedule/schedulestore.h"

#include <QFile>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <memory>

namespace {

std::unique_ptr<QTemporaryDir> g_folder;

bool sameRecord(const ScheduleRecord &a, const ScheduleRecord &b)
{
    return a.InUse == b.InUse && a.PgmName == b.PgmName && a.SatLen == b.SatLen && a.SatLang == b.SatLang
        && a.SatPort == b.SatPort && a.SatRoute == b.SatRoute && a.SatAtt == b.SatAtt
        && a.RemoteStart == b.RemoteStart && a.Receiver == b.Receiver && a.SwitchTime == b.SwitchTime;
}

bool startsWithSpaceButNotBlank(const QString &field)
{
    return field.startsWith(QLatin1Char(' ')) && field != QString(field.size(), QLatin1Char(' '));
}

// A record that rebuilding must leave exactly as it is: nothing to move left
// and no digit field that stores differently from how it reads.
bool isCanonical(const QString &record)
{
    if (record.size() != kRecordLength || !record.startsWith(QLatin1Char('1')))
        return false;
    if (startsWithSpaceButNotBlank(record.mid(1, 25)))
        return false;
    for (int d = 0; d < 7; ++d) {
        if (startsWithSpaceButNotBlank(record.mid(40 + 8 * d, 8)))
            return false;
    }
    const QString digits = QStringLiteral("123456789 ");
    return digits.contains(record.at(38)) && digits.contains(record.at(39));
}

void checkParsed(const ScheduleRecord &r)
{
    if (!r.inUse()) {
        FUZZ_CHECK(r.PgmName.isEmpty() && r.SatLang.isEmpty() && r.SwitchTime[0].isEmpty());
        return;
    }
    FUZZ_CHECK(r.PgmName.size() == 25);
    FUZZ_CHECK(!startsWithSpaceButNotBlank(r.PgmName));
    FUZZ_CHECK(r.SatLen.size() == 5);
    FUZZ_CHECK(r.SatLang.size() == 3);
    FUZZ_CHECK(r.SatPort.size() == 1);
    FUZZ_CHECK(r.SatRoute.size() == 1);
    FUZZ_CHECK(r.SatAtt.size() == 2);
    FUZZ_CHECK(r.RemoteStart >= 0 && r.RemoteStart <= 9);
    FUZZ_CHECK(r.Receiver >= 0 && r.Receiver <= 9);
    for (const QString &time : r.SwitchTime) {
        FUZZ_CHECK(time.size() == 8);
        FUZZ_CHECK(!startsWithSpaceButNotBlank(time));
    }
}

// `fromFile`: the text was read from bytes, so every character has its byte.
void checkRecordText(const QString &record, bool fromFile = true)
{
    const ScheduleRecord parsed = ParseScheduleRecord(record);
    checkParsed(parsed);
    FUZZ_CHECK(parsed.InUse == record.left(1));
    if (!parsed.inUse())
        return;

    const QString built = BuildScheduleRecord(parsed);
    FUZZ_CHECK(built.size() == kRecordLength);
    FUZZ_CHECK(built.startsWith(QLatin1Char('1')));
    const ScheduleRecord again = ParseScheduleRecord(built);
    FUZZ_CHECK(sameRecord(parsed, again));
    FUZZ_CHECK(BuildScheduleRecord(again) == built);
    if (isCanonical(record))
        FUZZ_CHECK(built == record);

    // The file holds one byte per character: a built record stays 96 bytes,
    // and one made from a file's bytes reads back unchanged.
    const QByteArray stored = Codec::toWindows1252(built);
    FUZZ_CHECK(stored.size() == kRecordLength);
    if (fromFile)
        FUZZ_CHECK(Codec::fromWindows1252(stored) == built);
}

// Field values of any length and any characters, as an editor might hand
// them over: the build is still 96 characters with every field in place.
void checkBuildFromValues(FuzzedDataProvider &in)
{
    bool fromFile = true;
    auto text = [&in, &fromFile]() {
        const std::string raw = in.ConsumeRandomLengthString(40);
        if (in.ConsumeBool()) {
            fromFile = false;
            return QString::fromUtf8(raw.data(), qsizetype(raw.size()));
        }
        return Codec::fromWindows1252(QByteArrayView(raw.data(), qsizetype(raw.size())));
    };
    ScheduleRecord v;
    v.InUse = text();
    v.PgmName = text();
    v.SatLen = text();
    v.SatLang = text();
    v.SatPort = text();
    v.SatRoute = text();
    v.SatAtt = text();
    v.RemoteStart = in.ConsumeIntegral<int>();
    v.Receiver = in.ConsumeIntegral<int>();
    for (QString &time : v.SwitchTime)
        time = text();

    const QString built = BuildScheduleRecord(v);
    FUZZ_CHECK(built.size() == kRecordLength);
    FUZZ_CHECK(built.startsWith(QLatin1Char('1')));
    FUZZ_CHECK(Codec::toWindows1252(built).size() == kRecordLength);
    FUZZ_CHECK(built.mid(1, 25) == fixedWidth(v.PgmName, 25));
    FUZZ_CHECK(built.mid(31, 3) == fixedWidth(v.SatLang, 3));
    FUZZ_CHECK(built.mid(36, 2) == fixedWidth(v.SatAtt, 2));
    for (int d = 0; d < 7; ++d)
        FUZZ_CHECK(built.mid(40 + 8 * d, 8) == fixedWidth(v.SwitchTime[d], 8));
    const ScheduleRecord parsed = ParseScheduleRecord(built);
    FUZZ_CHECK(parsed.RemoteStart == ((v.RemoteStart >= 1 && v.RemoteStart <= 9) ? v.RemoteStart : 0));
    FUZZ_CHECK(parsed.Receiver == ((v.Receiver >= 1 && v.Receiver <= 9) ? v.Receiver : 0));
    checkRecordText(built, fromFile);
}

// The input as the bytes of SwitchList.dat.
void checkStore(const QByteArray &bytes)
{
    const QString path = g_folder->filePath(QStringLiteral("SwitchList.dat"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }
    ScheduleStore store;
    QString error;
    FUZZ_CHECK(store.OpenScheduleFile(path, &error));
    const int whole = int(bytes.size() / kRecordLength);
    FUZZ_CHECK(store.recordCount() == whole);
    const QList<QString> records = store.readAll();
    FUZZ_CHECK(records.size() == whole);
    FUZZ_CHECK(!store.ReadScheduleRecord(whole + 1).has_value());
    int expectedFree = whole + 1;
    QList<int> inUse;
    for (int i = 0; i < whole; ++i) {
        const QByteArray raw = bytes.mid(qsizetype(i) * kRecordLength, kRecordLength);
        FUZZ_CHECK(records.at(i) == Codec::fromWindows1252(raw));
        FUZZ_CHECK(store.ReadScheduleRecord(i + 1) == records.at(i));
        if (raw.startsWith('1'))
            inUse.append(i + 1);
        else if (expectedFree > whole)
            expectedFree = i + 1;
    }
    QList<int> visited;
    store.ScanSchedules([&](int n, const ScheduleRecord &r) {
        FUZZ_CHECK(r.inUse());
        checkParsed(r);
        visited.append(n);
    });
    FUZZ_CHECK(visited == inUse);
    FUZZ_CHECK(store.FindFreeSchedule() == expectedFree);
    if (expectedFree > MaxSchedules)
        return;
    // A new schedule takes the free slot and leaves every other byte alone.
    FUZZ_CHECK(store.NewSchedule() == expectedFree);
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll();
    const qsizetype at = qsizetype(expectedFree - 1) * kRecordLength;
    FUZZ_CHECK(after.size() == qMax(bytes.size(), at + kRecordLength));
    FUZZ_CHECK(after.mid(at, kRecordLength) == Codec::toWindows1252(FreshScheduleRecord()));
    FUZZ_CHECK(after.left(at) == bytes.left(at));
    FUZZ_CHECK(after.mid(at + kRecordLength) == bytes.mid(at + kRecordLength));
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
    const QString text = Codec::fromWindows1252(bytes);
    FUZZ_CHECK(Codec::toWindows1252(text) == bytes);

    checkRecordText(text);
    checkRecordText(text.left(kRecordLength));
    for (qsizetype at = 0; at + kRecordLength <= text.size(); at += kRecordLength)
        checkRecordText(text.mid(at, kRecordLength));

    FuzzedDataProvider in(data, size);
    checkBuildFromValues(in);

    checkStore(bytes);
    return 0;
}
