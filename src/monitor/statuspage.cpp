#include "statuspage.h"

#include "monitor/statuspublisher.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

const QLocale &english()
{
    static const QLocale locale(QLocale::English);
    return locale;
}

QString html(const QString &text)
{
    return text.toHtmlEscaped();
}

QString timeText(const QTime &t)
{
    return t.toString(QStringLiteral("HH:mm:ss"));
}

QString timeText(const Moment &m)
{
    return timeText(QTime::fromMSecsSinceStartOfDay(m.msOfDay));
}

// A time of today as "HH:mm:ss", of another day with the day in front.
QString timeOn(const Moment &m, const QDate &today)
{
    if (m.day == today)
        return timeText(m);
    return english().toString(m.day, QStringLiteral("ddd d MMM ")) + timeText(m);
}

QString countdown(qint64 ms)
{
    const qint64 s = std::max<qint64>(0, ms) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString dB(double value)
{
    return QString::number(value, 'f', 1) + QStringLiteral(" dB");
}

const char *outcomeName(SwitchOutcome o)
{
    return kSwitchOutcomeNames[size_t(o)];
}

// Today's readings: none when the last were of another day.
QList<EbNoSample> readingsOf(const ReceiverFigures &f, const QDate &today)
{
    return f.ebNoDay == today ? f.ebNoToday : QList<EbNoSample>();
}

// A day of readings once a minute is 1,440 of them, and they change once a
// minute at most: what is made of them is made once per receiver and kept
// until they change. The list kept holds on to its data, so a list that
// shares that data is the same list; any change to the station's list since
// gave it data of its own.
template <typename T, typename Make> T madeOnce(int receiver, const QList<EbNoSample> &readings, Make make)
{
    static std::mutex mutex;
    static QList<EbNoSample> kept[2];
    static T made[2];
    std::lock_guard lock(mutex);
    QList<EbNoSample> &k = kept[receiver - 1];
    if (k.constData() != readings.constData() || k.size() != readings.size() || k.isEmpty()) {
        k = readings;
        made[receiver - 1] = make();
    }
    return made[receiver - 1];
}

// Today's readings as a line from midnight to midnight, broken where a
// reading gave no value, with marks at 6, 12 and 18 o'clock; the dB axis
// spans the day's values with half a dB either side. The drawing stretches
// to the page's width; its lines keep their thickness.
QString ebNoLine(const QList<EbNoSample> &points)
{
    constexpr double kWidth = 1440, kHeight = 100, kPad = 6;
    double low = INFINITY, high = -INFINITY;
    for (const EbNoSample &p : points) {
        if (!std::isnan(p.db)) {
            low = std::min(low, p.db);
            high = std::max(high, p.db);
        }
    }
    if (!std::isfinite(low))
        return {};
    const double middle = (low + high) / 2, half = std::max((high - low) / 2 + 0.5, 1.0);
    const auto x = [&](const Moment &m) { return m.msOfDay / 86400000.0 * kWidth; };
    const auto y = [&](double db) { return kPad + (middle + half - db) / (2 * half) * (kHeight - 2 * kPad); };
    const QString caption = QStringLiteral("Eb/No today, midnight to midnight: %1 to %2, %3 readings")
                                .arg(dB(low), dB(high), QString::number(points.size()));
    QString svg = QStringLiteral("<svg viewBox=\"0 0 1440 100\" preserveAspectRatio=\"none\" role=\"img\" "
                                 "aria-label=\"%1\"><title>%1</title>")
                      .arg(caption);
    for (int hour : {6, 12, 18})
        svg += QStringLiteral("<line x1=\"%1\" x2=\"%1\" y1=\"0\" y2=\"100\" stroke=\"#d5dae6\" "
                              "vector-effect=\"non-scaling-stroke\"/>")
                   .arg(hour * 60);
    QStringList run;
    const auto endRun = [&] {
        // A lone reading is drawn as a short dash.
        if (run.size() == 1) {
            const double cx = run.first().section(QLatin1Char(','), 0, 0).toDouble();
            const QString cy = run.first().section(QLatin1Char(','), 1, 1);
            run = {QStringLiteral("%1,%2").arg(cx - 4, 0, 'f', 1).arg(cy), QStringLiteral("%1,%2").arg(cx + 4, 0, 'f', 1).arg(cy)};
        }
        if (!run.isEmpty())
            svg += QStringLiteral("<polyline fill=\"none\" stroke=\"#1040c0\" stroke-width=\"1.5\" "
                                  "vector-effect=\"non-scaling-stroke\" points=\"")
                + run.join(QLatin1Char(' ')) + QStringLiteral("\"/>");
        run.clear();
    };
    for (const EbNoSample &p : points) {
        if (std::isnan(p.db))
            endRun();
        else
            run << QStringLiteral("%1,%2").arg(x(p.at), 0, 'f', 1).arg(y(p.db), 0, 'f', 1);
    }
    endRun();
    return svg + QStringLiteral("</svg><p class=\"note\">") + caption + QStringLiteral("</p>");
}

QString receiverSection(const StatusView &v, int r)
{
    const StatusSnapshot &s = *v.snapshot;
    const StatusSnapshot::Receiver &rs = s.receiver[r - 1];
    const ReceiverFigures &f = s.figures.receivers[r - 1];
    const QDate today = v.now.date();
    QString out = QStringLiteral("<section><h2>Receiver %1</h2>").arg(r);
    if (rs.hasNext) {
        // One arg() call: a name holding "%3" is not filled in again.
        out += QStringLiteral("<p>Next switch: <b>%1</b><br>%2, in <span class=\"countdown\" data-at=\"%3\">%4</span></p>")
                   .arg(html(rs.nextName), html(english().toString(rs.nextAt, QStringLiteral("dddd d MMMM, HH:mm:ss"))),
                        QString::number(rs.nextAt.toMSecsSinceEpoch()), countdown(v.now.msecsTo(rs.nextAt)));
    } else {
        out += QStringLiteral("<p>No switch in the coming week.</p>");
    }
    if (s.ebNoIntervalSeconds == 0)
        out += QStringLiteral("<p>Eb/No: not read (\"Do Not Log\" in SetUp).</p>");
    else if (!f.ebNoAt.isValid())
        out += QStringLiteral("<p>Eb/No: no reading yet.</p>");
    else if (std::isnan(f.ebNoDb))
        out += QStringLiteral("<p>Eb/No: <b class=\"bad\">%1</b> at %2</p>")
                   .arg(f.ebNoText.isEmpty() ? QStringLiteral("reading failed") : html(f.ebNoText), timeOn(f.ebNoAt, today));
    else
        out += QStringLiteral("<p>Eb/No: <b>%1</b> at %2%3</p>")
                   .arg(dB(f.ebNoDb), timeOn(f.ebNoAt, today),
                        s.receivers == 2 && s.betterReceiver == r ? QStringLiteral(" (the better receiver)") : QString());
    const QList<EbNoSample> readings = readingsOf(f, today);
    out += madeOnce<QString>(r, readings, [&readings] { return ebNoLine(readings); });
    if (f.answering == 0)
        out += QStringLiteral("<p class=\"bad\">The receiver did not answer its last reading.</p>");
    if (s.remoteControlOn)
        out += QStringLiteral("<p>Remote start: %1, %2 since the start</p>")
                   .arg(rs.remoteStartOn ? QStringLiteral("<b>on</b>") : QStringLiteral("off"))
                   .arg(f.remoteStarts);
    return out + QStringLiteral("</section>");
}

QString tableOf(const QList<TimedText> &rows, const QDate &today, const QString &none)
{
    if (rows.isEmpty())
        return QStringLiteral("<p>%1</p>").arg(none);
    QString out = QStringLiteral("<table>");
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        out += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>").arg(timeOn(it->at, today), html(it->text));
    return out + QStringLiteral("</table>");
}

QString statusMain(const StatusView &v)
{
    const StatusSnapshot &s = *v.snapshot;
    const StationFigures &f = s.figures;
    const QDate today = v.now.date();
    QString out = QStringLiteral("<main id=\"status\">");
    for (int r = 1; r <= s.receivers; ++r)
        out += receiverSection(v, r);

    out += QStringLiteral("<section><h2>Parallel port</h2>");
    if (!s.remoteControlOn)
        out += QStringLiteral("<p>Not in use (\"Remote Control\" in SetUp).</p>");
    else
        out += QStringLiteral("<p>Alarm: %1, %2 since the start</p>")
                   .arg(f.alarmActive ? QStringLiteral("<b class=\"bad\">active</b>") : QStringLiteral("not active"))
                   .arg(f.alarms);
    out += QStringLiteral("</section>");

    out += QStringLiteral("<section><h2>Today's switches</h2>");
    QList<SwitchRecord> switches;
    std::copy_if(f.switchesToday.cbegin(), f.switchesToday.cend(), std::back_inserter(switches),
                 [&today](const SwitchRecord &sw) { return sw.moment.day == today; });
    if (switches.isEmpty()) {
        out += QStringLiteral("<p>None yet.</p>");
    } else {
        out += QStringLiteral("<table><tr><th>Time</th><th>Receiver</th><th>Program</th><th>Outcome</th></tr>");
        for (const SwitchRecord &sw : switches)
            out += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td%4>%5</td></tr>")
                       .arg(timeText(sw.moment))
                       .arg(sw.receiver)
                       .arg(html(sw.name),
                            sw.outcome == SwitchOutcome::Sent ? QString() : QStringLiteral(" class=\"bad\""),
                            QLatin1String(outcomeName(sw.outcome)));
        out += QStringLiteral("</table>");
    }
    out += QStringLiteral("</section><section><h2>Last errors</h2>")
        + tableOf(f.lastErrors, today, QStringLiteral("None since the start."))
        + QStringLiteral("</section><section><h2>Activity log, last %1 lines</h2>").arg(StationStats::kLastActivity);
    if (f.lastActivity.isEmpty()) {
        out += QStringLiteral("<p>No lines since the start (or the activity log is off).</p>");
    } else {
        out += QStringLiteral("<pre>");
        for (const TimedText &line : f.lastActivity)
            out += timeText(line.at) + QStringLiteral("  ") + html(line.text) + QLatin1Char('\n');
        out += QStringLiteral("</pre>");
    }
    return out + QStringLiteral("</section></main>");
}

const char kStyle[] = R"(body{font:15px/1.4 system-ui,sans-serif;margin:0;background:#eef1f7;color:#111}
header{background:#0000ff;color:#fff;padding:.5em 1em;display:flex;gap:1.5em;align-items:baseline;flex-wrap:wrap}
h1{font-size:1.3em;margin:0}h2{font-size:1.05em;margin:.1em 0 .5em}
main{padding:1em;display:grid;gap:1em;grid-template-columns:repeat(auto-fit,minmax(24em,1fr))}
section{background:#fff;border:1px solid #cfd5e3;border-radius:6px;padding:.6em 1em;overflow-wrap:anywhere}
p{margin:.3em 0}.bad{color:#b00020;font-weight:bold}
table{border-collapse:collapse;width:100%}td,th{text-align:left;padding:.15em .4em;border-bottom:1px solid #eee;vertical-align:top}
pre{margin:0;white-space:pre-wrap;font:13px/1.35 monospace}
#banner{background:#b00020;color:#fff;padding:.5em 1em;font-weight:bold}
svg{display:block;width:100%;height:60px;background:#f6f8fc;border:1px solid #e3e7f0}
.note{color:#555;font-size:.85em}td:first-child{white-space:nowrap}td{white-space:pre-wrap}
footer{padding:0 1em 1em;color:#555;font-size:.85em})";

// Counts the countdowns down each second and fetches the page again every
// five; the new page's parts replace the old ones. A failed fetch says since
// when the station has not answered.
const char kScript[] = R"((function () {
  var offset = +document.body.dataset.now - Date.now(), lastAnswer = Date.now();
  function two(n) { return (n < 10 ? '0' : '') + n; }
  function tick() {
    var now = Date.now() + offset;
    document.querySelectorAll('[data-at]').forEach(function (e) {
      var s = Math.max(0, Math.floor((+e.dataset.at - now) / 1000));
      e.textContent = Math.floor(s / 3600) + ':' + two(Math.floor(s / 60) % 60) + ':' + two(s % 60);
    });
  }
  function refresh() {
    fetch('/', {cache: 'no-store'}).then(function (r) {
      if (!r.ok) throw new Error('HTTP ' + r.status);
      return r.text();
    }).then(function (text) {
      var page = new DOMParser().parseFromString(text, 'text/html');
      ['banner', 'clock', 'status'].forEach(function (id) {
        document.getElementById(id).replaceWith(document.adoptNode(page.getElementById(id)));
      });
      offset = +page.body.dataset.now - Date.now();
      lastAnswer = Date.now();
      tick();
    }).catch(function () {
      var banner = document.getElementById('banner');
      banner.hidden = false;
      banner.textContent = 'Kestrelpoint has not answered since ' + new Date(lastAnswer).toLocaleTimeString() +
        ': the program or its computer may be down.';
    });
  }
  tick();
  setInterval(tick, 1000);
  setInterval(refresh, 5000);
})();)";

// Times in UTC ("...Z"), which needs no time-zone lookup.
QString isoTime(qint64 epochMs)
{
    return QDateTime::fromMSecsSinceEpoch(epochMs, Qt::UTC).toString(Qt::ISODateWithMs);
}

QString isoTime(const QDateTime &t)
{
    return t.isValid() ? isoTime(t.toMSecsSinceEpoch()) : QString();
}

QJsonValue jsonTime(const Moment &m)
{
    return m.isValid() ? QJsonValue(isoTime(m.epochMs)) : QJsonValue();
}

QJsonValue jsonNumber(double value)
{
    return std::isnan(value) ? QJsonValue() : QJsonValue(value);
}

template <size_t N> QJsonObject counts(const std::array<quint64, N> &values, const std::array<const char *, N> &names)
{
    QJsonObject o;
    for (size_t i = 0; i < N; ++i)
        o.insert(QLatin1String(names[i]), double(values[i]));
    return o;
}

QJsonArray timedTexts(const QList<TimedText> &rows)
{
    QJsonArray a;
    for (const TimedText &t : rows)
        a.append(QJsonObject{{QStringLiteral("time"), isoTime(t.at.epochMs)}, {QStringLiteral("text"), t.text}});
    return a;
}

} // namespace

QByteArray statusPagePolicy(const QByteArray &nonce)
{
    return "default-src 'none'; script-src 'nonce-" + nonce + "'; style-src 'nonce-" + nonce
        + "'; connect-src 'self'; img-src 'none'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
}

QByteArray statusPage(const StatusView &v, const QByteArray &nonce)
{
    const StatusSnapshot &s = *v.snapshot;
    const QString n = QLatin1String(nonce);
    QString banner = QStringLiteral("<div id=\"banner\" hidden></div>");
    if (!v.healthy())
        banner = QStringLiteral("<div id=\"banner\">The clock tick last ran %1 s ago, at %2: the program is not "
                                "switching now.</div>")
                     .arg(QString::number(qRound(v.tickAgeSeconds)), timeText(v.lastTick.time()));
    // Put together by concatenation: the style and the script hold "%" signs.
    const QString page = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                                        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
                                        "<title>Kestrelpoint status</title><style nonce=\"")
        + n + QStringLiteral("\">") + QLatin1String(kStyle) + QStringLiteral("</style></head>\n<body data-now=\"")
        + QString::number(v.now.toMSecsSinceEpoch()) + QStringLiteral("\">") + banner
        + QStringLiteral("<header><h1>Kestrelpoint</h1><span id=\"clock\">")
        + html(english().toString(v.now, QStringLiteral("dddd  MM/dd/yyyy  HH:mm:ss"))) + QStringLiteral("</span></header>\n")
        + statusMain(v) + QStringLiteral("\n<footer>Kestrelpoint " KESTRELPOINT_VERSION ", running since ")
        + html(english().toString(s.started, QStringLiteral("d MMM yyyy HH:mm")))
        + QStringLiteral(". This page asks the station again every 5 seconds; <a href=\"/status.json\">status.json</a>, "
                         "<a href=\"/metrics\">metrics</a>.</footer>\n<script nonce=\"")
        + n + QStringLiteral("\">") + QLatin1String(kScript) + QStringLiteral("</script></body></html>\n");
    return page.toUtf8();
}

QByteArray statusJson(const StatusView &v)
{
    const StatusSnapshot &s = *v.snapshot;
    const StationFigures &f = s.figures;
    const QDate today = v.now.date();
    QJsonArray receivers;
    for (int r = 1; r <= s.receivers; ++r) {
        const StatusSnapshot::Receiver &rs = s.receiver[r - 1];
        const ReceiverFigures &rf = f.receivers[r - 1];
        QJsonObject next;
        if (rs.hasNext)
            next = {{QStringLiteral("name"), rs.nextName},
                    {QStringLiteral("time"), isoTime(rs.nextAt)},
                    {QStringLiteral("secondsToGo"), double(v.now.msecsTo(rs.nextAt) / 1000)}};
        // [seconds since the epoch, dB or null], a pair per reading: a day of
        // readings once a minute is 1,440 of them.
        const QList<EbNoSample> today_ = readingsOf(rf, today);
        const QJsonArray readings = madeOnce<QJsonArray>(r, today_, [&today_] {
            QJsonArray a;
            for (const EbNoSample &p : today_)
                a.append(QJsonArray{double(p.at.epochMs / 1000), jsonNumber(p.db)});
            return a;
        });
        receivers.append(QJsonObject{
            {QStringLiteral("receiver"), r},
            {QStringLiteral("nextSwitch"), rs.hasNext ? QJsonValue(next) : QJsonValue()},
            {QStringLiteral("ebNo"), QJsonObject{{QStringLiteral("db"), jsonNumber(rf.ebNoDb)},
                                                 {QStringLiteral("text"), rf.ebNoAt.isValid() ? QJsonValue(rf.ebNoText) : QJsonValue()},
                                                 {QStringLiteral("time"), jsonTime(rf.ebNoAt)}}},
            {QStringLiteral("ebNoToday"), readings},
            {QStringLiteral("answering"), rf.answering < 0 ? QJsonValue() : QJsonValue(rf.answering == 1)},
            {QStringLiteral("remoteStart"), QJsonObject{{QStringLiteral("on"), rs.remoteStartOn},
                                                        {QStringLiteral("count"), double(rf.remoteStarts)}}},
            {QStringLiteral("switches"), counts(rf.switches, kSwitchOutcomeNames)},
            {QStringLiteral("ebNoReadings"), counts(rf.ebNoReadings, kEbNoResultNames)},
            {QStringLiteral("mpegReadings"), counts(rf.mpegReadings, kMpegResultNames)},
        });
    }
    QJsonArray switches;
    for (const SwitchRecord &sw : f.switchesToday) {
        if (sw.moment.day == today)
            switches.append(QJsonObject{{QStringLiteral("time"), isoTime(sw.moment.epochMs)},
                                        {QStringLiteral("receiver"), sw.receiver},
                                        {QStringLiteral("name"), sw.name},
                                        {QStringLiteral("outcome"), QLatin1String(outcomeName(sw.outcome))}});
    }
    const QJsonObject root{
        {QStringLiteral("version"), QStringLiteral(KESTRELPOINT_VERSION)},
        {QStringLiteral("stationTime"), isoTime(v.now)},
        {QStringLiteral("startTime"), isoTime(s.started)},
        {QStringLiteral("lastTick"), isoTime(v.lastTick)},
        {QStringLiteral("tickAgeSeconds"), v.tickAgeSeconds},
        {QStringLiteral("healthy"), v.healthy()},
        {QStringLiteral("ebNoIntervalSeconds"), s.ebNoIntervalSeconds},
        {QStringLiteral("receivers"), receivers},
        {QStringLiteral("betterReceiver"), s.receivers == 2 && s.betterReceiver ? QJsonValue(s.betterReceiver) : QJsonValue()},
        {QStringLiteral("parallelPortInUse"), s.remoteControlOn},
        {QStringLiteral("alarm"), QJsonObject{{QStringLiteral("active"), s.remoteControlOn && f.alarmActive},
                                              {QStringLiteral("count"), double(f.alarms)}}},
        {QStringLiteral("clockSets"), counts(f.clockSets, kClockSetNames)},
        {QStringLiteral("errorMessages"), counts(f.errors, kErrorKindNames)},
        {QStringLiteral("logWriteFailures"), counts(f.logWriteFailures, kLogKindNames)},
        {QStringLiteral("switchesToday"), switches},
        {QStringLiteral("lastErrors"), timedTexts(f.lastErrors)},
        {QStringLiteral("activity"), timedTexts(f.lastActivity)},
    };
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}
