// The main window's receive path: any bytes from the line, in any split, for either answer
// length (changed at any moment), with the port closed and opened in between. No bytes but
// those that start EE and the awaited address make an answer, the monitor's receive line is
// always its latest hex items (after "... " once older ones were dropped), the receive buffer
// never holds more than its size, and bytes are dropped only when it is full: a model of the
// buffer kept beside the port sees every byte the receiver takes.
#include "FakeSerialPort.h"
#include "FuzzCheck.h"
#include "FuzzInput.h"

#include "link/Receiver.h"
#include "link/TrafficMonitor.h"
#include "shared/Wire.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cstddef>
#include <cstdint>

using namespace velnor;
using velnor::fuzz::FuzzInput;
using velnor::test::FakeSerialPort;

namespace {

constexpr int kMostSteps = 256;

// What the buffer must hold: the bytes of the chunk being delivered that the port has taken
// so far, after those that were waiting. The port's count is read before and after each
// receive event, so the bytes the receiver took are known exactly.
struct BufferModel
{
    QByteArray waiting;
    QByteArray chunk;
    qsizetype taken = 0;

    // Accounts for the bytes the port has added since the last look.
    void catchUp(int count)
    {
        FUZZ_CHECK(count >= waiting.size(), "waiting bytes are lost only when read");
        const qsizetype added = count - waiting.size();
        FUZZ_CHECK(taken + added <= chunk.size(), "the buffer holds only bytes that arrived");
        waiting += chunk.sliced(taken, added);
        taken += added;
    }
};

bool wellFormedHex(const QString& text)
{
    static const QRegularExpression items(QStringLiteral("^(?:\\.\\.\\. )?(?:[0-9A-F]{2} )*\\z"));
    return items.match(text).hasMatch() && text.size() <= 4 + 3 * TrafficMonitor::kRxTail;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Queued receive events (after a lowered threshold) need an application to run them.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const quint8 address = in.byte();
    FakeSerialPort port;
    port.setPortOpen(true);
    QByteArray answer;
    TrafficMonitor monitor;
    BufferModel model;

    // Connected before the receiver, so it runs first on each event.
    bool inEvent = false;
    QObject::connect(&port, &SerialPort::onComm, &monitor, [&] {
        inEvent = true;
        model.catchUp(port.inBufferCount());
        answer.clear();
    });
    Receiver receiver(port, monitor);
    receiver.expect(address, wire::AcknowledgementLength);
    QObject::connect(&receiver, &Receiver::answerIn, &monitor, [&](const QByteArray& bytes) {
        FUZZ_CHECK(bytes.size() >= 2 && quint8(bytes.at(0)) == wire::Answer &&
                       quint8(bytes.at(1)) == address,
                   "only bytes from the awaited address make an answer");
        answer = bytes;
    });
    // A shorter answer awaited may be whole already: the receiver then reads from the event loop,
    // outside any receive event, and takes exactly what waits.
    QObject::connect(
        &receiver, &Receiver::bytesReceived, &monitor, [&](const QByteArray& rx, int) {
            if (inEvent)
                return;
            FUZZ_CHECK(rx == model.waiting, "a read of its own takes exactly the bytes waiting");
            model.waiting.clear();
        });
    QObject::connect(&port, &SerialPort::onComm, &monitor, [&] {
        const int left = port.inBufferCount();
        FUZZ_CHECK(left == 0 || left == model.waiting.size(), "the receiver reads all or none");
        const QByteArray read = left == 0 ? std::exchange(model.waiting, {}) : QByteArray();
        if (!answer.isEmpty()) {
            FUZZ_CHECK(read.startsWith(answer) && quint8(answer.at(0)) == wire::Answer &&
                           quint8(answer.at(1)) == address,
                       "only bytes from the awaited address make an answer");
        }
        FUZZ_CHECK(wellFormedHex(monitor.rxText()), "the receive line shows hex items");
        inEvent = false;
    });

    for (int step = 0; step < kMostSteps && !in.atEnd(); ++step) {
        switch (in.byte() % 8) {
        case 0:
        case 1:
        case 2:
        case 3: {
            // A chunk as the line delivers it; now and then a long one.
            const quint8 length = in.byte();
            model.chunk = in.bytes(length == 0xFF ? 2048 : length);
            model.taken = 0;
            port.feed(model.chunk);
            model.catchUp(port.inBufferCount());
            FUZZ_CHECK(model.taken == model.chunk.size() ||
                           port.inBufferCount() == SerialPort::kReceiveBufferSize,
                       "bytes are dropped only when the buffer is full");
            model.chunk.clear();
            model.taken = 0;
            break;
        }
        case 4:
            receiver.expect(address,
                            in.byte() % 2 ? wire::InputAnswerLength : wire::AcknowledgementLength);
            break;
        case 5:
            QCoreApplication::processEvents();
            break;
        case 6:
            // Closing forgets what waits, as a closed port holds nothing.
            port.setPortOpen(false);
            model.waiting.clear();
            port.setPortOpen(true);
            break;
        case 7:
            monitor.clear();
            break;
        }
        FUZZ_CHECK(port.inBufferCount() <= SerialPort::kReceiveBufferSize,
                   "the receive buffer stays within its size");
        FUZZ_CHECK(wellFormedHex(monitor.rxText()), "the receive line shows hex items");
    }
    QCoreApplication::processEvents();
    FUZZ_CHECK(port.input() == model.waiting, "the buffer holds exactly the bytes not yet read");
    return 0;
}
