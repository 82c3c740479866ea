#include "emulator/program/ProgramOptions.h"

#include "module/ModuleConfig.h"
#include "emulator/PtyHost.h"
#include "settings/StartupSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace velnor {

namespace {

std::optional<int> number(const QString& text)
{
    bool ok = false;
    const int value = text.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)
                          ? text.mid(2).toInt(&ok, 16)
                          : text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

QString ProgramOptions::defaultStorePath(const QString& linkPath)
{
    // One store per line: two emulators must not overwrite each other's modules.
    const QString line =
        linkPath.isEmpty() ? QStringLiteral("line") : QFileInfo(linkPath).fileName();
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QLatin1Char('/') +
           line + QStringLiteral(".json");
}

std::optional<ProgramOptions> ProgramOptions::parse(const QStringList& arguments, QString* message,
                                                    int* exitCode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Emulates serial display modules on a pseudo-terminal, so the panel can be tried "
        "without hardware. Prints the device to open, then keeps running until closed."));
    // Not addHelpOption(): its --help-all would need the application object.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption addresses(
        QStringLiteral("addresses"),
        QStringLiteral(
            "Factory addresses of the modules, 101 to 132, separated by commas; "
            "an address given twice makes two modules that answer together; \"none\" for an "
            "empty line, to plug modules onto later."),
        QStringLiteral("list"), QStringLiteral("101,102"));
    const QCommandLineOption inputs(
        QStringLiteral("inputs"),
        QStringLiteral("Inputs of the module with that address: bit n is input n+1, "
                       "1 = open (default 0xFF, all open). May be given more than once."),
        QStringLiteral("address=bits"));
    const QCommandLineOption store(
        QStringLiteral("store"),
        QStringLiteral("File holding what the modules stored, a regular file; empty for none "
                       "(default: one file per link, such as %1).")
            .arg(defaultStorePath(PtyHost::defaultLinkPath())),
        QStringLiteral("file"));
    const QCommandLineOption link(
        QStringLiteral("link"),
        QStringLiteral("Symbolic link kept pointing at the device; empty for none "
                       "(default %1). Refused while it leads to another running emulator's "
                       "line.")
            .arg(PtyHost::defaultLinkPath()),
        QStringLiteral("path"), PtyHost::defaultLinkPath());
    const QCommandLineOption silent(QStringLiteral("silent"),
                                    QStringLiteral("The modules never answer."));
    const QCommandLineOption headless(
        QStringLiteral("headless"),
        QStringLiteral("No window: print each frame received (\"> EF 65\") and each answer "
                       "(\"< EE 65\") as a line on standard output."));
    const QCommandLineOption decode(
        QStringLiteral("decode"),
        QStringLiteral("With --headless, follow each line's bytes with what they mean "
                       "(\"> EF 65  select 101\")."));
    const QCommandLineOption commands(
        QStringLiteral("commands"),
        QStringLiteral("Read bench commands from standard input, one a line, each answered by "
                       "a line on standard output: \"plug ADDRESS [4800]\" plugs a new module "
                       "onto the line, \"unplug [ADDRESS]\" takes off the modules answering to "
                       "ADDRESS (all without), \"power-cycle\" switches them off and on, "
                       "\"list\" lists them, \"quit\" ends. SIGUSR1 switches them off and on "
                       "too, with or without this option."));
    const QCommandLineOption ini(
        QStringLiteral("ini"),
        QStringLiteral("Write the device (the link, when there is one) into this velnor.ini "
                       "as the port given by --port, in section Ports."),
        QStringLiteral("file"));
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Port number 1 to %1 for --ini.").arg(StartupSettings::kPorts),
        QStringLiteral("number"));
    const QCommandLineOption selectPort(
        QStringLiteral("select-port"),
        QStringLiteral("With --ini, also make that port the panel's port (Settings/CommPort)."));
    parser.addOptions({addresses, inputs, store, link, silent, headless, decode, commands, ini,
                       port, selectPort});

    const auto stop = [&](const QString& text, int code) {
        *message = text;
        *exitCode = code;
        return std::nullopt;
    };
    if (!parser.parse(arguments))
        return stop(parser.errorText(), 2);
    if (parser.isSet(help)) {
        // Read before the application exists, the parser does not know the program's name.
        return stop(parser.helpText().replace(QStringLiteral("<executable_name>"),
                                              QCoreApplication::applicationName()) +
                        QStringLiteral(
                            "\nExit status: 0 at a normal end and on SIGINT, SIGTERM or SIGHUP; "
                            "1 when the\ndevice, its link or the settings file cannot be set "
                            "up; 2 for a wrong command\nline or a refused --store.\n"),
                    0);
    }
    if (parser.isSet(version))
        return stop(QStringLiteral("velnor-emulator %1\n").arg(QStringLiteral(VELNOR_VERSION)), 0);
    if (!parser.positionalArguments().isEmpty())
        return stop(QStringLiteral("unexpected argument: ") + parser.positionalArguments().first(),
                    2);

    ProgramOptions options;
    const bool none = parser.value(addresses) == QLatin1String("none");
    for (const QString& item :
         none ? QStringList() : parser.value(addresses).split(u',', Qt::SkipEmptyParts)) {
        const std::optional<int> address = number(item.trimmed());
        if (!address || !ModuleConfig::isModuleAddress(*address))
            return stop(QStringLiteral("--addresses: %1 is not an address from %2 to %3")
                            .arg(item)
                            .arg(wire::FirstAddress)
                            .arg(wire::LastAddress),
                        2);
        options.addresses.append(quint8(*address));
    }
    if (options.addresses.isEmpty() && !none)
        return stop(QStringLiteral("--addresses: no module to emulate"), 2);

    for (const QString& item : parser.values(inputs)) {
        const QStringList parts = item.split(u'=');
        const std::optional<int> address = parts.size() == 2 ? number(parts[0]) : std::nullopt;
        const std::optional<int> bits = parts.size() == 2 ? number(parts[1]) : std::nullopt;
        if (!address || !bits || *bits < 0 || *bits > 0xFF ||
            !options.addresses.contains(quint8(*address)))
            return stop(QStringLiteral("--inputs: %1 is not address=bits for one of the "
                                       "modules, with bits from 0 to 0xFF")
                            .arg(item),
                        2);
        options.inputs.insert(quint8(*address), quint8(*bits));
    }

    // The link's name may go into the panel's settings, read from another directory.
    options.linkPath = parser.value(link).isEmpty()
                           ? QString()
                           : QFileInfo(parser.value(link)).absoluteFilePath();
    options.storePath =
        parser.isSet(store) ? parser.value(store) : defaultStorePath(options.linkPath);
    // The store is replaced whole when a module stores: a device, a FIFO or a folder in its
    // place would be replaced, or would hang the start (a FIFO) or never end (/dev/zero).
    if (const QFileInfo target(options.storePath);
        !options.storePath.isEmpty() && target.exists() && !target.isFile())
        return stop(QStringLiteral("--store: %1 is not a regular file (nor a link to one)")
                        .arg(options.storePath),
                    2);
    options.silent = parser.isSet(silent);
    options.headless = parser.isSet(headless);
    options.decode = parser.isSet(decode);
    options.commands = parser.isSet(commands);
    options.iniPath = parser.value(ini);
    options.selectPort = parser.isSet(selectPort);
    if (parser.isSet(port)) {
        const std::optional<int> value = number(parser.value(port));
        if (!value || *value < 1 || *value > StartupSettings::kPorts)
            return stop(QStringLiteral("--port: %1 is not a port number from 1 to %2")
                            .arg(parser.value(port))
                            .arg(StartupSettings::kPorts),
                        2);
        options.port = *value;
    }
    if (options.iniPath.isEmpty() != (options.port == 0))
        return stop(QStringLiteral("--ini and --port go together"), 2);
    if (options.selectPort && options.iniPath.isEmpty())
        return stop(QStringLiteral("--select-port needs --ini and --port"), 2);
    return options;
}

} // namespace velnor
