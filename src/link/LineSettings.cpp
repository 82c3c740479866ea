#include "link/LineSettings.h"

#include <QStringList>

#include <algorithm>

namespace velnor {

namespace {

std::optional<QSerialPort::Parity> parityFromLetter(const QString& letter)
{
    if (letter.size() != 1)
        return std::nullopt;
    switch (letter.at(0).toLower().unicode()) {
    case u'n':
        return QSerialPort::NoParity;
    case u'e':
        return QSerialPort::EvenParity;
    case u'o':
        return QSerialPort::OddParity;
    case u'm':
        return QSerialPort::MarkParity;
    case u's':
        return QSerialPort::SpaceParity;
    default:
        return std::nullopt;
    }
}

std::optional<QSerialPort::StopBits> stopBitsFromText(const QString& text)
{
    if (text == u"1")
        return QSerialPort::OneStop;
    if (text == u"1.5")
        return QSerialPort::OneAndHalfStop;
    if (text == u"2")
        return QSerialPort::TwoStop;
    return std::nullopt;
}

bool allDigits(const QString& text)
{
    return !text.isEmpty() &&
           std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
}

std::optional<LineSettings> fail(QString* reason, const QString& why)
{
    if (reason)
        *reason = why;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> LineSettings::parse(const QString& text, QString* reason)
{
    const QStringList fields = text.split(u',');
    if (fields.size() != 4)
        return fail(reason, QStringLiteral("expected speed,parity,data bits,stop bits "
                                           "such as 9600,n,8,1"));

    const QString speedText = fields.at(0).trimmed();
    const QString parityText = fields.at(1).trimmed();
    const QString dataText = fields.at(2).trimmed();
    const QString stopText = fields.at(3).trimmed();

    LineSettings line;

    // Digits only: toInt() alone would take a sign.
    bool ok = false;
    line.baudRate = allDigits(speedText) ? speedText.toInt(&ok) : 0;
    if (!ok || line.baudRate <= 0)
        return fail(reason,
                    QStringLiteral("speed \"%1\" is not a positive number").arg(speedText));

    const auto parity = parityFromLetter(parityText);
    if (!parity)
        return fail(reason,
                    QStringLiteral("parity \"%1\" is not one of n, e, o, m, s").arg(parityText));
    line.parity = *parity;

    const int dataBits = allDigits(dataText) ? dataText.toInt(&ok) : 0;
    if (!ok || dataBits < 5 || dataBits > 8)
        return fail(reason, QStringLiteral("data bits \"%1\" are not 5 to 8").arg(dataText));
    line.dataBits = QSerialPort::DataBits(dataBits);

    const auto stopBits = stopBitsFromText(stopText);
    if (!stopBits)
        return fail(reason, QStringLiteral("stop bits \"%1\" are not 1, 1.5 or 2").arg(stopText));
    line.stopBits = *stopBits;

    return line;
}

} // namespace velnor
