#include "schedule/schedulestore.h"
#include "schedule/schedulevalidation.h"

#include "testdata.h"

class tst_ScheduleValidation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void length_data();
    void length();
    void switchTime_data();
    void switchTime();
    void firstRefusalWins_data();
    void firstRefusalWins();
    void scheduleListSortsWithoutCaseAndSkipsFreeSlots();
};

void tst_ScheduleValidation::length_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("left empty") << QString() << true;
    QTest::newRow("five spaces") << QStringLiteral("     ") << true;
    QTest::newRow("05:30") << QStringLiteral("05:30") << true;
    QTest::newRow("59:59 the longest") << QStringLiteral("59:59") << true;
    QTest::newRow("00:00") << QStringLiteral("00:00") << true;
    QTest::newRow("5:30 padded with a space") << QStringLiteral("5:30") << false;
    QTest::newRow("leading space") << QStringLiteral(" 5:30") << false;
    QTest::newRow("no colon") << QStringLiteral("05.30") << false;
    QTest::newRow("sixty seconds") << QStringLiteral("05:60") << false;
    QTest::newRow("sixty minutes") << QStringLiteral("60:00") << false;
    QTest::newRow("letters") << QStringLiteral("ab:cd") << false;
    QTest::newRow("longer text is cut to five") << QStringLiteral("05:30xyz") << true;
    QTest::newRow("arabic-indic digits are no digits") << QStringLiteral("\u0661\u0662:30") << false;
}

void tst_ScheduleValidation::length()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QCOMPARE(isLengthText(text), accepted);
}

void tst_ScheduleValidation::switchTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("blank box") << QString() << true;
    QTest::newRow("eight spaces") << QStringLiteral("        ") << true;
    QTest::newRow("06:00:00") << QStringLiteral("06:00:00") << true;
    QTest::newRow("midnight") << QStringLiteral("00:00:00") << true;
    QTest::newRow("last second of the day") << QStringLiteral("23:59:59") << true;
    QTest::newRow("6:00:00 without its leading zero") << QStringLiteral("6:00:00") << false;
    QTest::newRow("hour 24") << QStringLiteral("24:00:00") << false;
    QTest::newRow("25:00:00") << QStringLiteral("25:00:00") << false;
    QTest::newRow("99:99:99") << QStringLiteral("99:99:99") << false;
    QTest::newRow("minute 60") << QStringLiteral("12:60:00") << false;
    QTest::newRow("second 60") << QStringLiteral("12:00:60") << false;
    QTest::newRow("ab:cd:ef") << QStringLiteral("ab:cd:ef") << false;
    QTest::newRow("no seconds") << QStringLiteral("06:00") << false;
    QTest::newRow("space inside") << QStringLiteral("06: 0:00") << false;
    QTest::newRow("dots") << QStringLiteral("06.00.00") << false;
}

void tst_ScheduleValidation::switchTime()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QCOMPARE(isSwitchTimeText(text), accepted);
}

void tst_ScheduleValidation::firstRefusalWins_data()
{
    QTest::addColumn<QString>("length");
    QTest::addColumn<QStringList>("days");
    QTest::addColumn<QString>("message");
    const QString ok = QStringLiteral("06:00:00");
    const QString blank;
    QTest::newRow("all good") << QStringLiteral("05:30") << QStringList{ok, blank, ok, blank, ok, blank, ok}
                              << QString();
    QTest::newRow("bad length before a bad day")
        << QStringLiteral("5:30") << QStringList{QStringLiteral("6:00:00"), blank, blank, blank, blank, blank, blank}
        << QStringLiteral("Time format in Length must be MM:SS or left blank");
    QTest::newRow("bad Monday names Monday")
        << QString() << QStringList{ok, QStringLiteral("6:00:00"), blank, blank, blank, blank, blank}
        << QStringLiteral("Time format in Monday Time to Switch must be HH:MM:SS or left blank");
    QTest::newRow("bad Sunday and Monday report Sunday")
        << QString()
        << QStringList{QStringLiteral("25:00:00"), QStringLiteral("6:00:00"), blank, blank, blank, blank, blank}
        << QStringLiteral("Time format in Sunday Time to Switch must be HH:MM:SS or left blank");
    QTest::newRow("bad Saturday") << QString() << QStringList{blank, blank, blank, blank, blank, blank,
                                                              QStringLiteral("23:59:60")}
                                  << QStringLiteral("Time format in Saturday Time to Switch must be HH:MM:SS or "
                                                    "left blank");
}

void tst_ScheduleValidation::firstRefusalWins()
{
    QFETCH(QString, length);
    QFETCH(QStringList, days);
    QFETCH(QString, message);
    std::array<QString, 7> dayTimes;
    for (int d = 0; d < 7; ++d)
        dayTimes[d] = days.at(d);
    const std::optional<QString> error = ScheduleInputError(length, dayTimes);
    QCOMPARE(error.value_or(QString()), message);
}

void tst_ScheduleValidation::scheduleListSortsWithoutCaseAndSkipsFreeSlots()
{
    TestHome home;
    ScheduleStore store;
    QVERIFY(store.OpenScheduleFile(home.file(QStringLiteral("SwitchList.dat")), nullptr));
    const auto named = [](const QString &name) {
        ScheduleRecord r;
        r.PgmName = name;
        return BuildScheduleRecord(r);
    };
    QVERIFY(store.WriteScheduleRecord(1, named(QStringLiteral("b show"))));
    QVERIFY(store.WriteScheduleRecord(2, named(QStringLiteral("A Show"))));
    QString deleted = named(QStringLiteral("Aardvark"));
    deleted[0] = QLatin1Char('0');
    QVERIFY(store.WriteScheduleRecord(3, deleted));
    QVERIFY(store.WriteScheduleRecord(4, named(QStringLiteral("B Show"))));
    QVERIFY(store.WriteScheduleRecord(5, named(QStringLiteral("   a show"))));

    const QList<ScheduleListEntry> list = BuildScheduleList(store);
    QStringList names;
    QList<int> numbers;
    for (const ScheduleListEntry &e : list) {
        names.append(e.PgmName);
        numbers.append(e.ScheduleNumber);
    }
    QCOMPARE(names, (QStringList{QStringLiteral("A Show                   "), QStringLiteral("a show                   "),
                                 QStringLiteral("b show                   "), QStringLiteral("B Show                   ")}));
    QCOMPARE(numbers, (QList<int>{2, 5, 1, 4}));
}

QTEST_GUILESS_MAIN(tst_ScheduleValidation)
#include "tst_schedulevalidation.moc"
