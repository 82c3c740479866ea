#include "settings/IniFile.h"

#include <QString>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace Qt::StringLiterals;

// Sets key Line1 of section LCD in a settings file again and again, to each value in turn, in
// processes a test can kill in the middle of a write:
//   settings_writer FILE VALUE...
// For each line "N" on standard input it starts a writer process that makes N writes (0: until
// killed), and answers "begin PID" as that process starts writing and "end STATUS" (its wait
// status) once it has ended. Forking this small program is far cheaper than starting a new one
// for every kill.
int main(int argc, char** argv)
{
    const int arg = 1;
    if (argc - arg < 2)
        return 2;
    const velnor::IniFile ini(QString::fromLocal8Bit(argv[arg]));
    std::vector<QString> values;
    for (int i = arg + 1; i < argc; ++i)
        values.push_back(QString::fromLocal8Bit(argv[i]));

    char line[32];
    while (std::fgets(line, sizeof line, stdin)) {
        const long count = std::strtol(line, nullptr, 10);
        const pid_t pid = ::fork();
        if (pid < 0)
            return 2;
        if (pid == 0) {
            ::dprintf(STDOUT_FILENO, "begin %d\n", int(::getpid()));
            for (long i = 0; count == 0 || i < count; ++i) {
                if (!ini.write(u"LCD"_s, u"Line1"_s, values[size_t(i) % values.size()]))
                    ::_exit(1);
            }
            ::_exit(0);
        }
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid)
            return 2;
        ::dprintf(STDOUT_FILENO, "end %d\n", status);
    }
    return 0;
}
