// Any text parses as a schedule; any fields build 96 characters in place and
// parse back the same. The store over any file lists exactly the records in
// use; a new schedule takes the first free slot and changes no other byte.

#include "fuzzsupport.h"

#include "schedule/schedulerecord.h"
#include "schedule/schedulestore.h"

#include <fuzzer/FuzzedDataProvider.h>

namespace {

void checkRecord(const QString &record)
{
    const ScheduleRecord parsed = ParseScheduleRecord(record);
    FUZZ_CHECK(parsed.InUse == record.left(1));
    if (!parsed.inUse())
        return;
    const QString built = BuildScheduleRecord(parsed);
    FUZZ_CHECK(built.size() == kRecordLength && Codec::fromWindows1252(Codec::toWindows1252(built)) == built);
    FUZZ_CHECK(BuildScheduleRecord(ParseScheduleRecord(built)) == built);
}

void checkBuild(FuzzedDataProvider &in)
{
    auto text = [&in]() { return Codec::fromWindows1252(QByteArray::fromStdString(in.ConsumeRandomLengthString(40))); };
    ScheduleRecord v{text(), text(), text(), text(), text(), text(), text(), in.ConsumeIntegral<int>(),
                     in.ConsumeIntegral<int>(), {text(), text(), text(), text(), text(), text(), text()}};
    const QString built = BuildScheduleRecord(v);
    FUZZ_CHECK(built.size() == kRecordLength && built.startsWith(QLatin1Char('1')));
    FUZZ_CHECK(built.mid(1, 25) == fixedWidth(v.PgmName, 25) && built.mid(31, 3) == fixedWidth(v.SatLang, 3)
               && built.mid(36, 2) == fixedWidth(v.SatAtt, 2));
    for (int d = 0; d < 7; ++d)
        FUZZ_CHECK(built.mid(40 + 8 * d, 8) == fixedWidth(v.SwitchTime[d], 8));
    const ScheduleRecord parsed = ParseScheduleRecord(built);
    FUZZ_CHECK(parsed.RemoteStart == (v.RemoteStart >= 1 && v.RemoteStart <= 9 ? v.RemoteStart : 0));
    FUZZ_CHECK(parsed.Receiver == (v.Receiver >= 1 && v.Receiver <= 9 ? v.Receiver : 0));
    checkRecord(built);
}

void checkStore(const QByteArray &bytes)
{
    const QString path = FuzzSupport::dataFile(QStringLiteral("SwitchList.dat"));
    FuzzSupport::writeFile(path, bytes);
    ScheduleStore store;
    FUZZ_CHECK(store.OpenScheduleFile(path, nullptr));
    const int whole = int(bytes.size() / kRecordLength);
    FUZZ_CHECK(store.recordCount() == whole && !store.ReadScheduleRecord(whole + 1));
    QList<int> inUse;
    int free = whole + 1;
    for (int n = whole; n >= 1; --n) {
        const QByteArray raw = bytes.mid(qsizetype(n - 1) * kRecordLength, kRecordLength);
        FUZZ_CHECK(store.ReadScheduleRecord(n) == Codec::fromWindows1252(raw));
        if (raw.startsWith('1'))
            inUse.prepend(n);
        else
            free = n;
    }
    QList<int> visited;
    store.ScanSchedules([&](int n, const ScheduleRecord &r) { visited.append(r.inUse() ? n : -n); });
    FUZZ_CHECK(visited == inUse && store.FindFreeSchedule() == free);
    if (free > MaxSchedules)
        return;
    FUZZ_CHECK(store.NewSchedule() == free);
    const QByteArray after = FuzzSupport::readFile(path);
    const qsizetype at = qsizetype(free - 1) * kRecordLength;
    FUZZ_CHECK(after.mid(at, kRecordLength) == Codec::toWindows1252(FreshScheduleRecord()));
    FUZZ_CHECK(after.left(at) == bytes.left(at) && after.mid(at + kRecordLength) == bytes.mid(at + kRecordLength));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FUZZ_BYTES(data, size);
    const QString text = Codec::fromWindows1252(bytes);
    FUZZ_CHECK(Codec::toWindows1252(text) == bytes);
    checkRecord(text);
    for (qsizetype at = 0; at + kRecordLength <= text.size(); at += kRecordLength)
        checkRecord(text.mid(at, kRecordLength));
    FuzzedDataProvider in(data, size);
    checkBuild(in);
    checkStore(bytes);
    return 0;
}
