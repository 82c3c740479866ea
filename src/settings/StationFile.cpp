#include "settings/StationFile.h"

#include "protocol/UploadPlan.h"
#include "settings/IniFile.h"
#include "settings/ModuleSetupFile.h"
#include "shared/Wire.h"

#include <QDir>
#include <QFileInfo>

namespace velnor::StationFile {

namespace {

const QString kSection = QStringLiteral("LCD");
const QString kRecentSection = QStringLiteral("StationFiles");

Refusal refuse(const QString& path, const QString& why)
{
    return {QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why)};
}

// The key at fault for a refusal of the upload, with what is wrong with it.
QString refusedKey(const ModuleSetup& setup, UploadRefusal refusal)
{
    if (refusal == UploadRefusal::NoAddress)
        return QStringLiteral("key UID (\"%1\"): %2").arg(setup.uid, refusalText(refusal));
    const int box = refusedBitmap(setup).value_or(0);
    return QStringLiteral("key Custom%1 (\"%2\", %3): %4")
        .arg(box + 1)
        .arg(setup.bitmaps[size_t(box)], bitmapPlace(box), refusalText(refusal));
}

} // namespace

std::variant<ModuleSetup, Refusal> open(const QString& path)
{
    const IniFile file(path);
    if (!QFileInfo::exists(path))
        return refuse(path, QStringLiteral("no such file"));
    if (const QString why = file.unreadable(); !why.isEmpty())
        return Refusal{why};
    if (file.read(kSection, QStringLiteral("UID")).isEmpty())
        return refuse(path, QStringLiteral("no module setup in it: section [LCD] has no key UID"));
    // The settings file reads any other speed as 4800; a station file says which it means.
    const QString baud = file.read(kSection, QStringLiteral("Baud"));
    if (baud != QString::number(wire::FastSpeed) && baud != QString::number(wire::SlowSpeed))
        return refuse(path, QStringLiteral("key Baud (\"%1\"): a speed of %2 or %3")
                                .arg(baud)
                                .arg(wire::FastSpeed)
                                .arg(wire::SlowSpeed));
    ModuleSetup setup = loadModuleSetup(file);
    const auto plan = planUpload(setup);
    if (const auto* refusal = std::get_if<UploadRefusal>(&plan))
        return refuse(path, refusedKey(setup, *refusal));
    return setup;
}

QString save(const ModuleSetup& setup, const QString& path)
{
    const auto kept = setupToSave(setup);
    if (const auto* refusal = std::get_if<UploadRefusal>(&kept))
        return refuse(path, refusedKey(setup, *refusal)).message;
    const QStringList failures = saveModuleSetup(std::get<ModuleSetup>(kept), IniFile(path));
    return failures.isEmpty() ? QString() : failures.first();
}

QStringList recent(const IniFile& settings)
{
    QStringList files;
    for (int i = 1; i <= kRecent; ++i) {
        const QString file = settings.read(kRecentSection, QStringLiteral("File%1").arg(i));
        if (!file.isEmpty() && !files.contains(file))
            files << file;
    }
    return files;
}

QString noteRecent(const IniFile& settings, const QString& path)
{
    QStringList files = recent(settings);
    const QString absolute = QFileInfo(path).absoluteFilePath();
    files.removeAll(absolute);
    files.prepend(absolute);
    QList<std::pair<QString, QString>> keys;
    for (int i = 0; i < kRecent; ++i)
        keys.append({QStringLiteral("File%1").arg(i + 1), files.value(i)});
    const QStringList failures = settings.writeKeys(kRecentSection, keys);
    return failures.isEmpty() ? QString() : failures.first();
}

} // namespace velnor::StationFile
