#include "fakereceivers.h"

#include <algorithm>

namespace {

class FakeChannel final : public SerialChannel
{
public:
    explicit FakeChannel(FakeReceivers &bus) : m_bus(bus) {}
    ~FakeChannel() override { close(); }

    bool open(int portNumber, const QString &settingsText) override
    {
        close();
        if (!settingsText.startsWith(QLatin1String("9600,")) && !settingsText.startsWith(QLatin1String("19200,"))) {
            m_errorNumber = 380;
            m_errorText = QStringLiteral("Invalid property value");
            return false;
        }
        if (m_bus.refusedPorts.contains(portNumber)) {
            m_errorNumber = 1;
            m_errorText = QStringLiteral("No such file or directory");
            return false;
        }
        m_port = portNumber;
        m_settings = settingsText;
        m_open = true;
        // What the receiver sent while the port was closed is lost, as on a
        // real line; what it sends from now on arrives.
        pending().removeIf([now = m_bus.clock.now()](const auto &item) { return item.first < now; });
        ++m_bus.opens;
        ++m_bus.openNow;
        return true;
    }

    bool isOpen() const override { return m_open; }

    bool write(const QByteArray &bytes) override
    {
        if (!m_open)
            return false;
        if (m_bus.failingWrites.contains(m_port)) {
            m_errorNumber = 7;
            m_errorText = QStringLiteral("Input/output error");
            return false;
        }
        m_bus.sent.append({m_port, bytes, m_bus.clock.now(), m_settings});
        m_partial += bytes;
        qsizetype cr;
        while ((cr = m_partial.indexOf('\r')) >= 0) {
            const QByteArray line = m_partial.left(cr);
            m_partial.remove(0, cr + 1);
            if (m_bus.replies) {
                for (const FakeReceivers::Reply &part : m_bus.replies(m_port, line)) {
                    if (!part.bytes.isEmpty())
                        pending().append({m_bus.clock.now().addMSecs(part.delayMs), part.bytes});
                }
                std::stable_sort(pending().begin(), pending().end(),
                                 [](const auto &a, const auto &b) { return a.first < b.first; });
                continue;
            }
            const QByteArray reply = m_bus.answer ? m_bus.answer(m_port, line) : QByteArray();
            if (!reply.isEmpty())
                pending().append({m_bus.clock.now().addMSecs(m_bus.answerDelayMs), reply});
        }
        return true;
    }

    QByteArray readAll() override
    {
        QByteArray out;
        const QDateTime now = m_bus.clock.now();
        while (m_open && !pending().isEmpty() && pending().first().first <= now)
            out += pending().takeFirst().second;
        return out;
    }

    bool waitForReadyRead(int msecs) override
    {
        const QDateTime deadline = m_bus.clock.now().addMSecs(msecs);
        if (m_open && !pending().isEmpty() && pending().first().first <= deadline) {
            if (pending().first().first > m_bus.clock.now())
                m_bus.clock.set(pending().first().first);
            return true;
        }
        m_bus.clock.set(deadline);
        return false;
    }

    void clearInput() override { readAll(); }

    void close() override
    {
        if (!m_open)
            return;
        m_open = false;
        ++m_bus.closes;
        --m_bus.openNow;
    }

    int errorNumber() const override { return m_errorNumber; }
    QString errorText() const override { return m_errorText; }

private:
    FakeReceivers &m_bus;
    bool m_open = false;
    int m_port = 0;
    QString m_settings;
    QList<QPair<QDateTime, QByteArray>> &pending() { return m_bus.pending[m_port]; }

    QByteArray m_partial;
    int m_errorNumber = 0;
    QString m_errorText;
};

} // namespace

SerialChannelFactory FakeReceivers::factory()
{
    return [this]() -> std::unique_ptr<SerialChannel> { return std::make_unique<FakeChannel>(*this); };
}

QList<QByteArray> FakeReceivers::linesSent() const
{
    QList<QByteArray> lines;
    QByteArray all;
    for (const Sent &s : sent)
        all += s.bytes;
    qsizetype start = 0, cr;
    while ((cr = all.indexOf('\r', start)) >= 0) {
        lines.append(all.mid(start, cr - start + 1));
        start = cr + 1;
    }
    return lines;
}
