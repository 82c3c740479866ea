#include "cli/Argument.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace velnor::cli {

namespace {

// Plain decimal digits, as the panel's lists show their entries; no more of them than the
// largest value accepted needs (three at least), so that no count overflows.
std::optional<int> decimal(const QString& word, int high)
{
    const qsizetype most = std::max<qsizetype>(3, QString::number(high).size());
    if (word.isEmpty() || word.size() > most)
        return std::nullopt;
    int value = 0;
    for (const QChar c : word) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

std::optional<int> choiceOf(const QString& word, const QStringList& accepted)
{
    for (qsizetype i = 0; i < accepted.size(); ++i) {
        if (QString::compare(word, accepted.at(i), Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return std::nullopt;
}

QString notWord(const std::optional<QString>& word)
{
    return word ? u", not \"%1\""_s.arg(*word) : QString();
}

} // namespace

QString listed(const QStringList& words, const QString& last)
{
    QString text;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (i > 0)
            text += i + 1 == words.size() ? u' ' + last + u' ' : u", "_s;
        text += words.at(i);
    }
    return text;
}

Argument Argument::numbered(const QString& name, int low, int high, int Command::*into, int base)
{
    Argument a;
    a.name = name;
    a.low = low;
    a.high = high;
    a.number = into;
    a.base = base;
    return a;
}

Argument Argument::choice(const QStringList& choices, int Command::*into)
{
    Argument a;
    a.type = Type::Choice;
    a.choices = choices;
    a.number = into;
    return a;
}

Argument Argument::onOff(bool Command::*into)
{
    Argument a;
    a.type = Type::Choice;
    a.choices = {u"on"_s, u"off"_s};
    a.flag = into;
    return a;
}

Argument Argument::line(const QString& name, int most, QString Command::*into)
{
    Argument a;
    a.type = Type::Line;
    a.name = name;
    a.high = most;
    a.text = into;
    return a;
}

Argument Argument::optionalFile(QString Command::*into)
{
    Argument a;
    a.type = Type::File;
    a.name = u"FILE"_s;
    a.text = into;
    a.optional = true;
    return a;
}

Argument Argument::switchOption(const QString& option, bool Command::*into)
{
    Argument a;
    a.type = Type::Switch;
    a.flag = into;
    a.option = option;
    a.optional = true;
    return a;
}

Argument Argument::asOption(const QString& optionName) const
{
    Argument a = *this;
    a.option = optionName;
    a.optional = true;
    return a;
}

std::optional<int> Argument::read(Words& words, QString& why) const
{
    const std::optional<QString> word = words.take();
    if (type == Type::Choice) {
        const std::optional<int> chosen = word ? choiceOf(*word, choices) : std::nullopt;
        if (!chosen)
            why = u"expected "_s + listed(choices) + notWord(word);
        return chosen;
    }
    const std::optional<int> value = word ? decimal(*word, high) : std::nullopt;
    if (value && *value >= low && *value <= high)
        return value;
    if (value && outOfRange)
        why = outOfRange(*value);
    if (why.isEmpty()) {
        const QString range = u"a number from %1 to %2"_s.arg(low).arg(high);
        why = word ? u"%1 must be %2, not \"%3\""_s.arg(name, range, *word)
                   : u"%1 is missing: %2"_s.arg(name, range);
    }
    return std::nullopt;
}

QString Argument::take(Words& words, Command& command, const QString& form) const
{
    switch (type) {
    case Type::Number:
    case Type::Choice: {
        QString why;
        const std::optional<int> value = read(words, why);
        if (!value)
            return why;
        if (flag)
            command.*flag = *value == 0;
        else
            command.*number = *value - base;
        return {};
    }
    case Type::Line: {
        const std::optional<QString> word = words.take();
        if (!word)
            return u"expected %1 (\"\" for an empty line)"_s.arg(form);
        if (word->size() > high)
            return u"%1 has %2 characters; a row holds %3"_s.arg(name).arg(word->size()).arg(high);
        command.*text = *word;
        return {};
    }
    case Type::File: {
        const std::optional<QString> word = words.take();
        if (!word || word->isEmpty())
            return name + u" is empty"_s;
        command.*text = *word;
        return {};
    }
    case Type::Switch:
        command.*flag = true;
        return {};
    }
    return {};
}

bool Argument::fits(const QString& word) const
{
    switch (type) {
    case Type::Number:
        return decimal(word, high).has_value();
    case Type::Choice:
        return choiceOf(word, choices).has_value();
    default:
        return true;
    }
}

QString Argument::usage() const
{
    QString shown = type == Type::Choice ? choices.join(u'|') : name;
    if (!option.isEmpty())
        shown = type == Type::Switch ? option : option + u' ' + shown;
    return optional ? u'[' + shown + u']' : shown;
}

QString Argument::expected() const
{
    return type == Type::Choice ? listed(choices) : name;
}

QString Argument::withRange() const
{
    if (type != Type::Number)
        return usage();
    const QString range = high == low + 1 ? u"%1 or %2"_s : u"%1 to %2"_s;
    return u"%1 (%2)"_s.arg(name, range.arg(low).arg(high));
}

} // namespace velnor::cli
