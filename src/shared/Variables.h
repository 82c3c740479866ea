#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>

namespace velnor {

// The state both windows share for the whole run: the transmit buffer, the answer flags and
// the port choice. One instance, made at start-up and handed to whoever needs it.
struct Variables
{
    static constexpr int kTxDataSize = 71;

    // A frame is built in entries 0..n-1; later entries keep what earlier frames left there.
    std::array<quint8, kTxDataSize> TxData{};
    // Text written to the port in one piece, one byte per character.
    QByteArray TxText;
    // -1 once an acknowledgement from DeviceAddr arrived since a command set it to 0.
    qint16 RxFlag = 0;
    quint8 DeviceAddr = 0;
    quint8 InputBits1 = 0;
    quint8 InputBits2 = 0;
    // Ticks counted by the running wait.
    qint16 TickCount = 0;
    // "1".."20" and "9600,n,8,1" or the like.
    QString PortNumber;
    QString PortSettings;
};

} // namespace velnor
