// The settings file format as text: any file, any section, key and value. A value written is
// the value read back, a refused write changes nothing, a write touches one line at most and
// no other key's value, and writing the same value again changes nothing.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "IniNames.h"

#include "settings/IniText.h"

#include <cstddef>
#include <cstdint>

using namespace velnor;
using velnor::fuzz::FuzzInput;
using velnor::fuzz::IniNames;

namespace {

bool hasBreak(QByteArrayView text)
{
    return text.contains('\r') || text.contains('\n');
}

qsizetype commonPrefix(QByteArrayView a, QByteArrayView b)
{
    qsizetype n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n])
        ++n;
    return n;
}

qsizetype commonSuffix(QByteArrayView a, QByteArrayView b, qsizetype prefix)
{
    qsizetype n = 0;
    while (n + prefix < a.size() && n + prefix < b.size() &&
           a[a.size() - 1 - n] == b[b.size() - 1 - n])
        ++n;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const QByteArray section = in.field();
    const QByteArray key = in.field();
    const QByteArray value = in.field();
    const QByteArray file = in.rest();

    if (!hasBreak(value)) {
        const QByteArray alone = "[s]\nk=" + ini::encodeValue(value);
        FUZZ_CHECK(ini::lookup(alone, "s", "k") == value, "an encoded value reads back as itself");
    }

    const QByteArray updated = ini::update(file, section, key, value);
    if (ini::rejectReason(section, key, value)) {
        FUZZ_CHECK(updated == file, "a refused update leaves the file as it was");
        return 0;
    }
    FUZZ_CHECK(ini::lookup(updated, section, key) == value, "what is written is read back");
    FUZZ_CHECK(ini::update(updated, section, key, value) == updated,
               "writing the same value again changes nothing");

    // What the update took out of the old file lies within one line.
    const qsizetype prefix = commonPrefix(file, updated);
    const qsizetype suffix = commonSuffix(file, updated, prefix);
    const QByteArrayView removed =
        QByteArrayView(file).sliced(prefix, file.size() - prefix - suffix);
    FUZZ_CHECK(!hasBreak(removed), "an update changes one line at most");

    const IniNames names = IniNames::of(file, 16);
    for (const QByteArray& s : names.sections) {
        for (const QByteArray& k : names.keys) {
            if (fuzz::sameName(s, section) && fuzz::sameName(k, key))
                continue;
            FUZZ_CHECK(ini::lookup(file, s, k) == ini::lookup(updated, s, k),
                       "an update leaves every other key as it was");
        }
    }
    return 0;
}
