#include "LineScript.h"

#include "emulator/Line.h"

#include <QStringList>

namespace velnor {

namespace {

struct Runner
{
    Line* line = nullptr;
    qint64 now = 0;
    QByteArray pending;
    QByteArray answers;

    void flush()
    {
        if (!line)
            return;
        if (!pending.isEmpty())
            answers += line->feed(pending, now);
        pending.clear();
    }
};

bool parse(const QString& script, Runner& runner, QString* error)
{
    const auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    int i = 0;
    while (i < script.size()) {
        const QChar c = script.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == u'"') {
            const int end = script.indexOf(u'"', i + 1);
            if (end < 0)
                return fail(QStringLiteral("unclosed text"));
            runner.pending += script.mid(i + 1, end - i - 1).toLatin1();
            i = end + 1;
        } else if (c == u'|') {
            runner.flush();
            ++i;
        } else if (c == u'@') {
            int end = i + 1;
            while (end < script.size() && script.at(end).isDigit())
                ++end;
            runner.flush();
            runner.now = script.mid(i + 1, end - i - 1).toLongLong();
            if (runner.line)
                runner.answers += runner.line->advance(runner.now);
            i = end;
        } else {
            int end = i;
            while (end < script.size() && !script.at(end).isSpace())
                ++end;
            const QStringList parts = script.mid(i, end - i).split(u'*');
            bool hexOk = false;
            bool countOk = true;
            const uint byte = parts.first().toUInt(&hexOk, 16);
            const int times = parts.size() == 2 ? parts.last().toInt(&countOk) : 1;
            if (!hexOk || !countOk || parts.size() > 2 || parts.first().size() != 2 || times < 0)
                return fail(QStringLiteral("bad byte: ") + script.mid(i, end - i));
            runner.pending += QByteArray(times, char(byte));
            i = end;
        }
    }
    runner.flush();
    return true;
}

} // namespace

QByteArray runScript(Line& line, const QString& script, QString* error)
{
    Runner runner;
    runner.line = &line;
    if (!parse(script, runner, error))
        return {};
    return runner.answers;
}

QByteArray scriptBytes(const QString& script)
{
    Runner runner;
    parse(script, runner, nullptr);
    return runner.pending;
}

QString shownRow(const Module& module, int row)
{
    QString text;
    for (char byte : module.row(row)) {
        const quint8 code = quint8(byte);
        if (code >= 0x20 && code <= 0x7E)
            text += QChar(char16_t(code));
        else
            text += QStringLiteral("{%1}").arg(code, 2, 16, QChar(u'0')).toUpper();
    }
    return text;
}

QString selections(const Line& line)
{
    QStringList parts;
    for (int i = 0; i < line.moduleCount(); ++i) {
        const Module& module = line.module(i);
        parts << QString(module.ownSelected() ? u'O' : u'-') +
                     QString(module.broadcastSelected() ? u'B' : u'-');
    }
    return parts.join(u',');
}

QString hexText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace velnor
