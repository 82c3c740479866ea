#pragma once

#include "module/Module.h"

#include <QMap>
#include <QStringList>

namespace velnor::test {

// Both rows of a module's display without trailing blanks, joined by '|'; codes outside
// 0x20..0x7E as {XX}.
inline QString shown(const Module& module)
{
    QStringList rows;
    for (int r = 0; r < Module::Rows; ++r) {
        QString text;
        for (char byte : module.row(r)) {
            const quint8 code = quint8(byte);
            text += code >= 0x20 && code <= 0x7E
                        ? QString(QChar(char16_t(code)))
                        : QStringLiteral("{%1}").arg(code, 2, 16, QChar(u'0')).toUpper();
        }
        while (text.endsWith(u' '))
            text.chop(1);
        rows << text;
    }
    return rows.join(u'|');
}

// What a module shows and holds, by name: rows, cursor ("row,column"), look, light, outputs
// (hex), baud and selected (O for its own selection, B for broadcast).
inline QMap<QString, QString> moduleState(const Module& module)
{
    static const char* looks[] = {"underline", "blinking", "hidden"};
    static const char* lights[] = {"on", "off", "flashing"};
    return {{QStringLiteral("rows"), shown(module)},
            {QStringLiteral("cursor"),
             QStringLiteral("%1,%2").arg(module.cursorRow()).arg(module.cursorColumn())},
            {QStringLiteral("look"), QLatin1String(looks[int(module.cursorLook())])},
            {QStringLiteral("light"), QLatin1String(lights[int(module.backlight())])},
            {QStringLiteral("outputs"),
             QStringLiteral("%1").arg(module.outputs(), 2, 16, QChar(u'0'))},
            {QStringLiteral("baud"), QString::number(module.baud())},
            {QStringLiteral("selected"), QString(module.ownSelected() ? u'O' : u'-') +
                                             QChar(module.broadcastSelected() ? u'B' : u'-')}};
}

// The fields that expected names ("rows=AB|CD;look=hidden"), as the module has them now.
inline QString moduleState(const Module& module, const QString& expected)
{
    const QMap<QString, QString> state = moduleState(module);
    QStringList fields;
    for (const QString& field : expected.split(u';', Qt::SkipEmptyParts)) {
        const QString name = field.section(u'=', 0, 0);
        fields << name + u'=' + state.value(name, QStringLiteral("<no such field>"));
    }
    return fields.join(u';');
}

} // namespace velnor::test
