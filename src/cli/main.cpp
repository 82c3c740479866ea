#include "cli/Cli.h"
#include "system/QuitOnSignal.h"
#include "system/StandardStreams.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    velnor::holdStandardStreams();
    // Ctrl+C or a kill ends the run between two frames, with the port flushed and closed.
    velnor::QuitOnSignal quitOnSignal;
    QCoreApplication app(argc, argv);
    quitOnSignal.listen();
    QCoreApplication::setApplicationName(QStringLiteral("velnor-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return velnor::cli::run(QCoreApplication::arguments().mid(1), out, err);
}
