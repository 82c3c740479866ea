#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>

namespace velnor::fuzz {

// Names a settings file might hold, found without the parser under test: whatever follows a
// '[' up to a ']', and whatever stands before a '=', trimmed of blanks. A superset is fine:
// they are only asked for, before and after a change.
struct IniNames
{
    QByteArrayList sections;
    QByteArrayList keys;

    static IniNames of(QByteArrayView file, qsizetype most)
    {
        IniNames names;
        const auto add = [most](QByteArrayList& list, QByteArrayView name) {
            const QByteArray clean = name.trimmed().toByteArray();
            if (!clean.isEmpty() && list.size() < most && !list.contains(clean))
                list.append(clean);
        };
        for (const QByteArray& line : file.toByteArray().replace('\r', '\n').split('\n')) {
            const QByteArrayView text(line);
            const qsizetype open = text.indexOf('[');
            if (open >= 0) {
                const QByteArrayView rest = text.sliced(open + 1);
                const qsizetype close = rest.indexOf(']');
                add(names.sections, close < 0 ? rest : rest.first(close));
            }
            const qsizetype eq = text.indexOf('=');
            if (eq > 0)
                add(names.keys, text.first(eq));
        }
        return names;
    }
};

// Names as the settings file compares them.
inline bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace velnor::fuzz
