#include "filetextvalidator.h"

#include "platform/codec.h"

QValidator::State FileTextValidator::validate(QString &input, int &) const
{
    for (const QChar c : m_refused) {
        if (input.contains(c))
            return Invalid;
    }
    return Codec::canEncode(input) ? Acceptable : Invalid;
}
