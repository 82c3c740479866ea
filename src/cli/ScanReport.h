#pragma once

#include "cli/ExitStatus.h"

#include <QString>
#include <QStringList>

#include <functional>

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
// The garbled replies of `scan`, for the error stream, so that the output stays one answering
// address a line: "110 at 9600 bit/s: EE 6E EE 6E" for each address and speed, with the bytes
// heard(baud, address) gives.
QStringList scanGarbled(const ScanResult& result,
                        const std::function<QByteArray(int, quint8)>& heard);
// Ok when a module answered, NoAnswer when none did.
ExitStatus scanStatus(const ScanResult& result);

} // namespace velnor::cli
