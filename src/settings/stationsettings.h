#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The operator's settings, one record for the whole run. Only the Setup
// window changes them while the program runs.
struct StationSettings
{
    int Receiver1Port = 0;
    int BaudChoice = 0;      // index into BaudRates: 1 = 9600, 2 = 19200
    int ActivityLogOn = 0;
    int EbNoRate = 0;        // 0 do not log, 1-4 per hour, 5 once a minute
    bool MpegLogOn = false;
    bool RemoteControlOn = false;
    QString EbNoKeep;        // "d", "w", "m", "y"
    int TwoReceivers = 0;
    int Receiver2Port = 0;
    QString ReceiverModel;   // "0" model 4K, "1" model 500
    QString ClockResetTime;  // "MM:SS" of each hour, from TimeReset.ini

    bool twoReceivers() const { return TwoReceivers == 1; }
    int receiverPort(int receiver) const { return receiver == 2 ? Receiver2Port : Receiver1Port; }
};

inline const QStringList &BaudRates()
{
    static const QStringList table = {QString(), QStringLiteral("9600"), QStringLiteral("19200")};
    return table;
}

inline const QStringList &DayNames()
{
    static const QStringList table = {QStringLiteral("Off"),     QStringLiteral("Sunday"),   QStringLiteral("Monday"),
                                      QStringLiteral("Tuesday"), QStringLiteral("Wednesday"), QStringLiteral("Thursday"),
                                      QStringLiteral("Friday"),  QStringLiteral("Saturday")};
    return table;
}

inline constexpr int kSettingsRecords = 10;
inline constexpr int kBackupSettingsRecords = 9;
inline constexpr int kTimeResetLength = 5;

namespace SettingsFormat {
// The settings file: one character per record. A record beyond the end of
// the file reads as no character: 0 for numbers, no change for the two
// switches, empty for the two texts.
void readSettings(const QByteArray &bytes, StationSettings &settings);
// Records 1 to `records` of the settings file.
QByteArray settingsBytes(const StationSettings &settings, int records = kSettingsRecords);
// TimeReset.ini: one record of five characters, or an empty file.
QString readClockResetTime(const QByteArray &bytes);
QByteArray timeResetBytes(const QString &clockResetTime);
}

// The two files in a folder. Missing files are created empty on reading.
// Writing keeps any bytes an older settings file had beyond the records
// written, and replaces each file whole so a power cut never leaves half.
namespace SettingsFiles {
inline const QString kSettingsName = QStringLiteral("Kestrelpoint.ini");
inline const QString kTimeResetName = QStringLiteral("TimeReset.ini");

bool ReadTimeResetFile(const QString &folder, StationSettings &settings, QString *error);
bool ReadSettingsFile(const QString &folder, StationSettings &settings, QString *error);
bool WriteSettingsFiles(const QString &folder, const StationSettings &settings, QString *error,
                        int records = kSettingsRecords);
}
