#include "FakeSerialPort.h"

#include <QTimer>

namespace velnor::test {

bool FakeSerialPort::setPortOpen(bool open)
{
    if (!open) {
        if (m_open)
            ++closes;
        m_open = false;
        discardInput();
        return true;
    }
    if (refuseOpen) {
        m_error = failureReason;
        return false;
    }
    m_open = true;
    ++opens;
    openedSettings = m_settings;
    openedPort = m_commPort;
    return true;
}

bool FakeSerialPort::output(const QByteArray& bytes)
{
    if (!m_open || (failWritesAfter >= 0 && writes.size() >= failWritesAfter)) {
        m_error = failureReason;
        return false;
    }
    writes.append(bytes);
    if (peer)
        peer(bytes);
    return true;
}

void FakeSerialPort::feedLater(const QByteArray& bytes)
{
    QTimer::singleShot(0, this, [this, bytes] { feed(bytes); });
}

void FakeSerialPort::answerWith(std::function<QByteArray(const QByteArray& written)> script)
{
    peer = [this, script = std::move(script)](const QByteArray& bytes) {
        if (const QByteArray reply = script(bytes); !reply.isEmpty())
            feedLater(reply);
    };
}

void FakeSerialPort::answer(const QByteArray& written, const QByteArray& reply)
{
    answerWith([written, reply](const QByteArray& bytes) {
        return bytes == written ? reply : QByteArray();
    });
}

} // namespace velnor::test
