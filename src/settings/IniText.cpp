#include "settings/IniText.h"

#include <initializer_list>

namespace velnor::ini {
namespace {

constexpr QByteArrayView kBom("\xEF\xBB\xBF");
constexpr QByteArrayView kCrLf("\r\n");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isBreak(char c)
{
    return c == '\r' || c == '\n';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool isQuoted(QByteArrayView text)
{
    return text.size() >= 2 && text.front() == text.back() &&
           (text.front() == '"' || text.front() == '\'');
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// One line of the file as offsets into it: [begin, end) is its text, [end, next) its line break
// (empty on a last line without one).
struct Line
{
    qsizetype begin = 0;
    qsizetype end = 0;
    qsizetype next = 0;
};

Line lineAt(QByteArrayView file, qsizetype begin)
{
    qsizetype end = begin;
    while (end < file.size() && !isBreak(file[end]))
        ++end;
    qsizetype next = end;
    if (next < file.size()) {
        const bool crLf = file[next] == '\r' && next + 1 < file.size() && file[next + 1] == '\n';
        next += crLf ? 2 : 1;
    }
    return {begin, end, next};
}

enum class Kind { Other, Header, Key };

// What a line means: a header (name), a key line (name, value and where the value's text
// starts in the line), or anything else: blank, comment, or a line without '='.
struct Parsed
{
    Kind kind = Kind::Other;
    QByteArrayView name;
    QByteArrayView value;
    qsizetype valueBegin = 0;
};

Parsed parse(QByteArrayView text)
{
    qsizetype first = 0;
    while (first < text.size() && isBlank(text[first]))
        ++first;
    if (first == text.size() || text[first] == ';')
        return {};
    if (text[first] == '[') {
        const QByteArrayView rest = text.sliced(first + 1);
        const qsizetype close = rest.indexOf(']');
        return {Kind::Header, trimmed(close < 0 ? rest : rest.first(close)), {}, 0};
    }
    const qsizetype eq = text.indexOf('=', first);
    if (eq < 0)
        return {};
    qsizetype valueBegin = eq + 1;
    while (valueBegin < text.size() && isBlank(text[valueBegin]))
        ++valueBegin;
    return {Kind::Key, trimmed(text.sliced(first, eq - first)), trimmed(text.sliced(valueBegin)),
            valueBegin};
}

QByteArray joined(std::initializer_list<QByteArrayView> parts)
{
    QByteArray out;
    for (const QByteArrayView part : parts)
        out.append(part);
    return out;
}

qsizetype contentStart(QByteArrayView file)
{
    return file.startsWith(kBom) ? kBom.size() : 0;
}

// The line break the file uses most, for the lines it gains: a file kept with LF stays LF-only.
// CRLF, the usual break of settings files, in a file without any and on a tie.
QByteArrayView usualBreak(QByteArrayView file)
{
    qsizetype crLf = 0;
    qsizetype lf = 0;
    qsizetype cr = 0;
    for (qsizetype pos = 0; pos < file.size();) {
        const Line line = lineAt(file, pos);
        pos = line.next;
        if (line.next - line.end == 2)
            ++crLf;
        else if (line.next > line.end)
            ++(file[line.end] == '\n' ? lf : cr);
    }
    if (crLf >= lf && crLf >= cr)
        return kCrLf;
    return lf >= cr ? QByteArrayView("\n") : QByteArrayView("\r");
}

} // namespace

std::optional<QByteArray> lookup(QByteArrayView file, QByteArrayView section, QByteArrayView key)
{
    bool inSection = false;
    for (qsizetype pos = contentStart(file); pos < file.size();) {
        const Line line = lineAt(file, pos);
        pos = line.next;
        const Parsed p = parse(file.sliced(line.begin, line.end - line.begin));
        if (p.kind == Kind::Header) {
            // Only the first section of a name counts; a later one of the same name is dead.
            if (inSection)
                return std::nullopt;
            inSection = sameName(p.name, section);
        } else if (p.kind == Kind::Key && inSection && sameName(p.name, key)) {
            const QByteArrayView v = p.value;
            return (isQuoted(v) ? v.sliced(1, v.size() - 2) : v).toByteArray();
        }
    }
    return std::nullopt;
}

QByteArray update(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                  QByteArrayView value)
{
    if (rejectReason(section, key, value))
        return file.toByteArray();
    const QByteArray encoded = encodeValue(value);

    // The line after which a new key goes: the section's last key line, else its header.
    std::optional<Line> anchor;
    for (qsizetype pos = contentStart(file); pos < file.size();) {
        const Line line = lineAt(file, pos);
        pos = line.next;
        const QByteArrayView text = file.sliced(line.begin, line.end - line.begin);
        const Parsed p = parse(text);
        if (p.kind == Kind::Header) {
            if (anchor)
                break;
            if (sameName(p.name, section))
                anchor = line;
        } else if (p.kind == Kind::Key && anchor) {
            if (sameName(p.name, key)) {
                // Keep the line's own spelling and spacing up to the value, and its line break;
                // a last line without one gets one, as every line written does.
                const qsizetype valueAt = line.begin + p.valueBegin;
                const QByteArrayView rest =
                    line.next > line.end ? file.sliced(line.end) : usualBreak(file);
                return joined({file.first(valueAt), encoded, rest});
            }
            anchor = line;
        }
    }

    const QByteArray keyLine = joined({key, "=", encoded});
    if (anchor) {
        const qsizetype at = anchor->next;
        // A new line follows its neighbour's line break; the file's last line
        // gets the file's usual one first.
        const QByteArrayView lineBreak = file.sliced(anchor->end, at - anchor->end);
        if (lineBreak.isEmpty()) {
            const QByteArrayView usual = usualBreak(file);
            return joined({file, usual, keyLine, usual});
        }
        return joined({file.first(at), keyLine, lineBreak, file.sliced(at)});
    }

    const QByteArrayView usual = usualBreak(file);
    QByteArray out = file.toByteArray();
    if (out.size() > contentStart(file) && !isBreak(out.back()))
        out.append(usual);
    out.append(joined({"[", section, "]", usual, keyLine, usual}));
    return out;
}

QByteArray encodeValue(QByteArrayView value)
{
    const bool padded = !value.isEmpty() && (isBlank(value.front()) || isBlank(value.back()));
    if (padded || isQuoted(value))
        return joined({"\"", value, "\""});
    return value.toByteArray();
}

const char* rejectReason(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    const auto hasBreak = [](QByteArrayView text) {
        return text.contains('\r') || text.contains('\n');
    };
    const auto isPadded = [](QByteArrayView text) { return trimmed(text).size() != text.size(); };
    if (hasBreak(value))
        return "A settings value cannot hold a line break";
    if (section.isEmpty() || key.isEmpty())
        return "A settings section or key needs a name";
    if (hasBreak(section) || hasBreak(key) || isPadded(section) || isPadded(key))
        return "A settings name cannot hold a line break or begin or end with a blank";
    if (section.contains(']'))
        return "A settings section name cannot hold ']'";
    if (key.contains('=') || key.front() == '[' || key.front() == ';')
        return "A settings key name cannot hold '=' or begin with '[' or ';'";
    return nullptr;
}

} // namespace velnor::ini
