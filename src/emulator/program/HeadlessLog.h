#pragma once

#include <QObject>

#include <cstdio>

namespace velnor {

class PtyHost;

// The emulator's traffic as lines on a stream, each written out at once so a script reading
// it sees every frame as it happens:
//   device /dev/pts/3       link /tmp/velnor-emulator-1000
//   > EF 65                 a read from the line
//   < EE 65                 what the modules sent back
//   ! conflict 101: CC 60   modules sharing an address answered together
//   # opened / # closed     a program opened the device or the last one closed it
class HeadlessLog : public QObject
{
    Q_OBJECT
public:
    HeadlessLog(PtyHost& host, std::FILE* stream, QObject* parent = nullptr);

    // The device lines, written once the host has started; the window prints them too.
    static void writeDevice(const PtyHost& host, std::FILE* stream);

private:
    static void write(std::FILE* stream, const QByteArray& line);
    void write(const QByteArray& line) { write(m_stream, line); }

    std::FILE* m_stream;
};

} // namespace velnor
