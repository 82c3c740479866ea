// The settings file on disk: any bytes as the file, then writes of any section, key and value,
// each checked by reading back. What write accepts, read gives back (cut to 254
// characters); every other key reads as before; a write that is refused leaves the file byte
// for byte as it was, and only the writes a settings file cannot hold are refused.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "IniNames.h"

#include "settings/IniFile.h"
#include "settings/IniText.h"
#include "settings/Latin1.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

using namespace velnor;
using velnor::fuzz::FuzzInput;
using velnor::fuzz::IniNames;

namespace {

constexpr int kMostWrites = 4;
constexpr qsizetype kMostNames = 6;
constexpr qsizetype kReadChars = 254;

// In memory where there is such a folder: every write syncs the file, and each run writes.
const QString& folder()
{
    static const QTemporaryDir dir = [] {
        const QString shm = QStringLiteral("/dev/shm");
        const bool inMemory = QFileInfo(shm).isDir() && QFileInfo(shm).isWritable();
        return QTemporaryDir((inMemory ? shm : QDir::tempPath()) +
                             QStringLiteral("/velnor-fuzz-ini-XXXXXX"));
    }();
    static const QString path = dir.path();
    return path;
}

std::optional<QByteArray> contents(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the test file opens");
    FUZZ_CHECK(file.write(bytes) == bytes.size(), "the test file is written");
}

struct Pair
{
    QString section;
    QString key;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const QString path = folder() + QStringLiteral("/velnor.ini");
    const IniFile ini(path);
    // An empty first field stands for no file at all.
    const QByteArray start = in.field();
    QFile::remove(path);
    if (!start.isEmpty())
        put(path, start);

    for (int write = 0; write < kMostWrites && !in.atEnd(); ++write) {
        // Names and values as UTF-8, so that characters beyond ISO-8859-1 turn up too.
        const QString section = QString::fromUtf8(in.field());
        const QString key = QString::fromUtf8(in.field());
        const QString value = QString::fromUtf8(in.field());

        const std::optional<QByteArray> before = contents(path);
        QList<Pair> others;
        QStringList valuesBefore;
        const IniNames names = IniNames::of(before.value_or(QByteArray()), kMostNames);
        for (const QByteArray& s : names.sections) {
            for (const QByteArray& k : names.keys) {
                if (fuzz::sameName(s, toWire(section)) && fuzz::sameName(k, toWire(key)) &&
                    fitsWire(section) && fitsWire(key))
                    continue;
                others.append({fromWire(s), fromWire(k)});
                valuesBefore.append(ini.read(others.back().section, others.back().key));
            }
        }

        const bool storable = fitsWire(section) && fitsWire(key) && fitsWire(value) &&
                              !ini::rejectReason(toWire(section), toWire(key), toWire(value));
        QString error;
        const bool written = ini.write(section, key, value, &error);
        FUZZ_CHECK(written == storable, "a write fails exactly when the file cannot hold it");
        if (!written) {
            FUZZ_CHECK(!error.isEmpty(), "a refused write says why");
            FUZZ_CHECK(contents(path) == before, "a refused write leaves the file as it was");
        } else {
            FUZZ_CHECK(ini.read(section, key) == value.left(kReadChars),
                       "what is written is read back");
        }
        if (!fitsWire(section) || !fitsWire(key))
            FUZZ_CHECK(ini.read(section, key).isEmpty(),
                       "a name the file cannot hold finds nothing");
        for (qsizetype i = 0; i < others.size(); ++i) {
            FUZZ_CHECK(ini.read(others.at(i).section, others.at(i).key) == valuesBefore.at(i),
                       "a write leaves every other key as it was");
        }
    }
    return 0;
}
