#pragma once

#include <QTemporaryDir>
#include <QtTest>

// A temporary data folder for one test: KESTRELPOINT_HOME points at it and
// its logs folder exists. Errors shown by the program are collected.
class TestHome
{
public:
    TestHome();
    ~TestHome();

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }
    QByteArray read(const QString &name) const;
    void write(const QString &name, const QByteArray &bytes) const;

    QStringList errors;

private:
    QTemporaryDir m_dir;
};
