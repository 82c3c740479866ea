#pragma once

#include <QStringList>
#include <QTextStream>

namespace velnor::cli {

// velnor-cli as a function: the arguments after the program's name in, results on out,
// messages on err, the exit status back. Needs a QCoreApplication whose event loop is not
// running yet: the run goes on in it.
int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace velnor::cli
