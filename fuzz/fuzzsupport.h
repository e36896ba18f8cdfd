#pragma once

// What every fuzz target shares: a check that stops the run with the broken
// rule named, so libFuzzer keeps the input that broke it, and a quiet Qt.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                            \
    do {                                                                                                 \
        if (!(condition)) {                                                                              \
            std::fprintf(stderr, "Broken rule at %s:%d: %s\n", __FILE__, __LINE__, #condition);         \
            std::abort();                                                                                \
        }                                                                                                \
    } while (false)

namespace FuzzSupport {

// Qt's warnings would flood the fuzzer's output on every odd input; a fatal
// message must still stop the run.
inline void quietQt()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "Qt fatal: %s\n", qPrintable(message));
            std::abort();
        }
    });
}

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A QString with the input's text shown, for the message before an abort.
inline void report(const char *what, const QString &text)
{
    std::fprintf(stderr, "%s: [%s]\n", what, text.toUtf8().constData());
}

} // namespace FuzzSupport
