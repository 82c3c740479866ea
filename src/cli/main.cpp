#include "cli/Cli.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velnor-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return velnor::cli::run(QCoreApplication::arguments().mid(1), out, err);
}
