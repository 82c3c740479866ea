#include "app/PanelOptions.h"

#include <QCommandLineParser>

#include <cstdio>

namespace velnor {

namespace {

// The options the application object takes out of the command line itself, with a value
// unless said otherwise. Qt accepts them with one dash or two, and some as name=value.
bool isQtOption(const QString& argument, bool* takesValue)
{
    static const QStringList withValue{
        QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"), QStringLiteral("geometry"),
        QStringLiteral("qwindowtitle"),    QStringLiteral("title"),
        QStringLiteral("qwindowicon"),     QStringLiteral("icon"),
        QStringLiteral("display"),         QStringLiteral("session"),
        QStringLiteral("style"),           QStringLiteral("stylesheet")};
    static const QStringList flags{QStringLiteral("reverse"),     QStringLiteral("nograb"),
                                   QStringLiteral("dograb"),      QStringLiteral("widgetcount"),
                                   QStringLiteral("testability"), QStringLiteral("qmljsdebugger")};
    if (!argument.startsWith(u'-') || argument == u"-" || argument == u"--")
        return false;
    QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
    const qsizetype equals = name.indexOf(u'=');
    if (equals >= 0)
        name.truncate(equals);
    *takesValue = equals < 0 && withValue.contains(name);
    return withValue.contains(name) || flags.contains(name);
}

QStringList withoutQtOptions(const QStringList& arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        bool takesValue = false;
        if (i > 0 && isQtOption(arguments[i], &takesValue))
            i += takesValue ? 1 : 0;
        else
            kept << arguments[i];
    }
    return kept;
}

} // namespace

PanelOptions PanelOptions::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Control panel for serial character-display modules.\n"
        "\n"
        "Settings: velnor.ini beside the program when the program may write into its\n"
        "folder (a portable copy, or the build); for an installed program,\n"
        "~/.config/velnor/velnor.ini, made from the installed default on first use.\n"
        "Port numbers name devices in its section [Ports], such as 3=/dev/ttyUSB0.\n"
        "The tooltip of the window's status bar names the file in use.\n"
        "\n"
        "Exit status: 0 when closed or ended by SIGINT, SIGTERM or SIGHUP; 1 when --check\n"
        "finds no settings file it can read; 2 for a wrong command line."));
    // Not addHelpOption(): its --help-all would need the application object.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption settings(
        QStringLiteral("settings"),
        QStringLiteral("Use this settings file instead (made from the installed default when "
                       "it does not exist)."),
        QStringLiteral("file"));
    const QCommandLineOption check(
        QStringLiteral("check"),
        QStringLiteral("Start off screen, load the settings, print the file, port, speed and "
                       "address that were read, and quit without opening the port."));
    parser.addOptions({settings, check});

    PanelOptions options;
    if (!parser.parse(withoutQtOptions(arguments))) {
        options.action = Action::Wrong;
        options.text = parser.errorText();
    } else if (parser.isSet(help)) {
        options.action = Action::Help;
        options.text = parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                 QStringLiteral("velnor"));
    } else if (parser.isSet(version)) {
        options.action = Action::Version;
        options.text = QStringLiteral("velnor %1\n").arg(QStringLiteral(VELNOR_VERSION));
    } else if (!parser.positionalArguments().isEmpty()) {
        options.action = Action::Wrong;
        options.text = QStringLiteral("Unexpected argument '%1'.")
                           .arg(parser.positionalArguments().constFirst());
    }
    options.settings = parser.value(settings);
    options.check = parser.isSet(check);
    return options;
}

std::optional<int> PanelOptions::answer() const
{
    switch (action) {
    case Action::Help:
    case Action::Version:
        std::fputs(qPrintable(text), stdout);
        return 0;
    case Action::Wrong:
        std::fprintf(stderr, "velnor: %s\nTry 'velnor --help'.\n", qPrintable(text));
        return 2;
    case Action::Run:
        break;
    }
    return std::nullopt;
}

} // namespace velnor
