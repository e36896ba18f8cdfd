#pragma once

#include <QString>
#include <QValidator>

// Typing that the station's files can hold: every character must have its
// byte in Windows-1252 (the files would store any other as '?' while the
// window still showed it), and the characters in `refused` (such as the
// comma that ends a source code) are not taken at all.
class FileTextValidator final : public QValidator
{
public:
    explicit FileTextValidator(QObject *parent, const QString &refused = {}) : QValidator(parent), m_refused(refused) {}

    State validate(QString &input, int &position) const override;

private:
    QString m_refused;
};
