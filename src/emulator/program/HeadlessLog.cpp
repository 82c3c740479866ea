#include "emulator/program/HeadlessLog.h"

#include "emulator/Line.h"
#include "emulator/PtyHost.h"

#include <QFile>

namespace velnor {

HeadlessLog::HeadlessLog(PtyHost& host, std::FILE* stream, QObject* parent)
    : QObject(parent), m_stream(stream)
{
    connect(&host, &PtyHost::frameReceived, this,
            [this](const QByteArray& bytes) { write("> " + bytes.toHex(' ').toUpper()); });
    connect(&host, &PtyHost::answered, this,
            [this](const QByteArray& bytes) { write("< " + bytes.toHex(' ').toUpper()); });
    connect(&host, &PtyHost::peerOpenChanged, this,
            [this](bool open) { write(open ? "# opened" : "# closed"); });
    connect(&host.line(), &Line::conflict, this,
            [this](quint8 address, const QByteArray& garbled) {
                write("! conflict " + QByteArray::number(address) + ": " +
                      garbled.toHex(' ').toUpper());
            });
}

void HeadlessLog::writeDevice(const PtyHost& host, std::FILE* stream)
{
    write(stream, "device " + QFile::encodeName(host.slavePath()));
    if (host.devicePath() != host.slavePath())
        write(stream, "link " + QFile::encodeName(host.devicePath()));
}

void HeadlessLog::write(std::FILE* stream, const QByteArray& line)
{
    if (std::ferror(stream))
        return; // nobody reads any more
    std::fputs(line.constData(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

} // namespace velnor
