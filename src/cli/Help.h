#pragma once

#include <QString>

namespace velnor::cli {

// velnor-cli --help: the options, every command with the bytes it sends, and the exit statuses.
// The bytes come from the frame functions, so the help cannot drift from the wire.
QString helpText();

// velnor-cli --version
QString versionText();

} // namespace velnor::cli
