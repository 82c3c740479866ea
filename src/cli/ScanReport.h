#pragma once

#include "cli/ExitStatus.h"

#include <QString>

namespace velnor {
class ScanResult;
} // namespace velnor

namespace velnor::cli {

// `scan` as text: the answering addresses ascending, one a line; when more than one speed was
// searched, each followed by the speeds it answered at.
QString scanText(const ScanResult& result);
// `scan --json`: {"answering": [...], "garbled": [...], "silent": [...], "speeds":
// [{"baud": 9600, "answering": [...], "garbled": [...]}, ...]}.
QString scanJson(const ScanResult& result);
// Ok when a module answered, NoAnswer when none did.
ExitStatus scanStatus(const ScanResult& result);

} // namespace velnor::cli
