#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace velnor {

// The emulator program's command line, read and checked.
struct ProgramOptions
{
    QList<quint8> addresses;
    // Input bits by address: bit n is input n + 1, set when the input is open.
    QMap<quint8, quint8> inputs;
    QString storePath; // empty: the store lives in memory only
    QString linkPath;  // empty: no link
    bool silent = false;
    bool headless = false;
    bool decode = false;   // with headless: each line also says what its frames mean
    bool commands = false; // bench commands on standard input
    QString iniPath;
    int port = 0; // 1 to 20 with iniPath
    bool selectPort = false;

    static QString defaultStorePath(const QString& linkPath);
    // nullopt when the program should stop: *message then holds the help, the version or
    // what is wrong, and *exitCode what to exit with.
    static std::optional<ProgramOptions> parse(const QStringList& arguments, QString* message,
                                               int* exitCode);
};

} // namespace velnor
