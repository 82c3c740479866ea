// The main window's receive path: any bytes from the line, in any split, at any threshold
// (changed at any moment), with the port closed and opened in between. No answer but one
// that starts EE and the selected address sets RxFlag, the monitor's receive line is always
// its latest hex items (after "... " once older ones were dropped), the receive buffer never
// holds more than its size, and bytes are dropped only when it is full: a model of the buffer
// kept beside the port sees every byte the receiver takes.
#include "FakeSerialPort.h"
#include "FuzzCheck.h"
#include "FuzzInput.h"

#include "link/Receiver.h"
#include "link/TrafficMonitor.h"
#include "shared/Variables.h"
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

int thresholdFrom(FuzzInput& in)
{
    const quint8 choice = in.byte();
    // Mostly the thresholds the program uses, now and then any number at all.
    if (choice < 0xF0)
        return choice % 6;
    return int(quint32(in.number(4)));
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
    Variables vars;
    vars.DeviceAddr = in.byte();
    FakeSerialPort port;
    port.setPortOpen(true);
    port.setRThreshold(thresholdFrom(in));
    TrafficMonitor monitor;
    BufferModel model;

    // Connected before the receiver, so it runs first on each event.
    QObject::connect(&port, &SerialPort::onComm, &monitor, [&] {
        model.catchUp(port.inBufferCount());
        // As a command does before it waits for an answer.
        vars.RxFlag = 0;
    });
    Receiver receiver(vars, port, monitor);
    QObject::connect(&port, &SerialPort::onComm, &monitor, [&] {
        const int left = port.inBufferCount();
        FUZZ_CHECK(left == 0 || left == model.waiting.size(), "the receiver reads all or none");
        const QByteArray read = left == 0 ? std::exchange(model.waiting, {}) : QByteArray();
        if (vars.RxFlag == -1) {
            FUZZ_CHECK(read.size() >= 2 && quint8(read.at(0)) == wire::Answer &&
                           quint8(read.at(1)) == vars.DeviceAddr,
                       "only an answer from the selected address sets RxFlag");
        }
        FUZZ_CHECK(wellFormedHex(monitor.rxText()), "the receive line shows hex items");
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
            port.setRThreshold(thresholdFrom(in));
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
