#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace velnor::fuzz {

// The fuzzer's bytes read as a script of small decisions. Every read succeeds: past the end
// it gives zeros and empty pieces, so any input is a valid script.
class FuzzInput
{
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : m_bytes(reinterpret_cast<const char*>(data), qsizetype(size))
    {
    }

    bool atEnd() const { return m_bytes.isEmpty(); }

    quint8 byte()
    {
        if (m_bytes.isEmpty())
            return 0;
        const auto b = quint8(m_bytes.front());
        m_bytes = m_bytes.sliced(1);
        return b;
    }

    // A number made of `count` bytes, least significant first.
    quint64 number(int count)
    {
        quint64 value = 0;
        for (int i = 0; i < count; ++i)
            value |= quint64(byte()) << (8 * i);
        return value;
    }

    // Up to n bytes.
    QByteArray bytes(qsizetype n)
    {
        const QByteArrayView piece = m_bytes.first(qMin(n, m_bytes.size()));
        m_bytes = m_bytes.sliced(piece.size());
        return piece.toByteArray();
    }

    // The bytes up to the next 0 byte (dropped) or to the end: lets seeds stay readable text.
    QByteArray field()
    {
        const qsizetype end = m_bytes.indexOf('\0');
        const QByteArray piece = bytes(end < 0 ? m_bytes.size() : end);
        byte();
        return piece;
    }

    QByteArray rest() { return bytes(m_bytes.size()); }

private:
    QByteArrayView m_bytes;
};

} // namespace velnor::fuzz
