#pragma once

// What every fuzz target shares: a check that stops the run with the broken
// rule named, so libFuzzer keeps the input that broke it; a quiet Qt; days
// of 86400 seconds; a temporary data folder for the targets that use files.

#include "platform/codec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#define FUZZ_CHECK(condition)                                                                          \
    ((condition) ? void()                                                                              \
                 : (std::fprintf(stderr, "Broken rule at %s:%d: %s\n", __FILE__, __LINE__, #condition), \
                    std::abort()))
#define FUZZ_BYTES(data, size) QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Qt's warnings would flood the output on every odd input; a fatal one still stops the run.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtFatalMsg)
            std::fprintf(stderr, "Qt fatal: %s\n", qPrintable(message)), std::abort();
    });
    qputenv("TZ", "UTC");
    tzset();
    static QTemporaryDir folder;
    FUZZ_CHECK(folder.isValid() && QDir(folder.path()).mkpath(QStringLiteral("logs")));
    qputenv("KESTRELPOINT_HOME", QFile::encodeName(folder.path()));
    return 0;
}

namespace FuzzSupport {

inline QString dataFile(const QString &name)
{
    return qEnvironmentVariable("KESTRELPOINT_HOME") + QLatin1Char('/') + name;
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// Sorted without regard to case, and holding the same entries as `original`.
inline bool isSortedPermutation(QStringList sorted, QStringList original)
{
    const auto less = [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; };
    const bool inOrder = std::is_sorted(sorted.begin(), sorted.end(), less);
    std::sort(sorted.begin(), sorted.end());
    std::sort(original.begin(), original.end());
    return inOrder && sorted == original;
}

} // namespace FuzzSupport
