#include "testdata.h"

#include "platform/errorreport.h"

#include <QDir>
#include <QFile>

TestHome::TestHome()
{
    qputenv("KESTRELPOINT_HOME", m_dir.path().toLocal8Bit());
    QDir(m_dir.path()).mkpath(QStringLiteral("logs"));
    setErrorHandler([this](const QString &text) { errors.append(text); });
}

TestHome::~TestHome()
{
    setErrorHandler(nullptr);
    qunsetenv("KESTRELPOINT_HOME");
}

QByteArray TestHome::read(const QString &name) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void TestHome::write(const QString &name, const QByteArray &bytes) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write test file");
    f.write(bytes);
}
