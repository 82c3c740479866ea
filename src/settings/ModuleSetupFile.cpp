#include "settings/ModuleSetupFile.h"

#include "settings/IniFile.h"
#include "shared/Wire.h"

namespace velnor {

namespace {

const QString kSection = QStringLiteral("LCD");
const QString kUid = QStringLiteral("UID");
const QString kBaud = QStringLiteral("Baud");
const QString kLine1 = QStringLiteral("Line1");
const QString kLine2 = QStringLiteral("Line2");

QString textKey(int index)
{
    return QStringLiteral("PT%1").arg(index + 1);
}

QString bitmapKey(int index)
{
    return QStringLiteral("Custom%1").arg(index + 1);
}

} // namespace

ModuleSetup loadModuleSetup(const IniFile& settings)
{
    const auto read = [&settings](const QString& key, int limit) {
        return settings.read(kSection, key).left(limit);
    };
    ModuleSetup setup;
    // The address box is a list with a text field of its own, with no limit of its own.
    setup.uid = settings.read(kSection, kUid);
    setup.at9600 = settings.read(kSection, kBaud) == QString::number(wire::FastSpeed);
    setup.line1 = read(kLine1, ModuleSetup::kTextLength);
    setup.line2 = read(kLine2, ModuleSetup::kTextLength);
    for (int k = 0; k < ModuleSetup::kTexts; ++k)
        setup.texts[size_t(k)] = read(textKey(k), ModuleSetup::kTextLength);
    // A bitmap value is judged whole: cut to its box, "0255" would go out as 25 and "1234" as
    // 123. The window's boxes cut what they show themselves.
    for (int i = 0; i < ModuleSetup::kBitmaps; ++i)
        setup.bitmaps[size_t(i)] = settings.read(kSection, bitmapKey(i));
    return setup;
}

QStringList saveModuleSetup(const ModuleSetup& setup, const IniFile& settings, const IniLock* held)
{
    // One write of the file for all 78 keys: each write is synced to the disk, which takes
    // milliseconds a time.
    const int speed = setup.at9600 ? wire::FastSpeed : wire::SlowSpeed;
    QList<std::pair<QString, QString>> keys{{kUid, setup.uid},
                                            {kBaud, QString::number(speed)},
                                            {kLine1, setup.line1},
                                            {kLine2, setup.line2}};
    for (int k = 0; k < ModuleSetup::kTexts; ++k)
        keys.append({textKey(k), setup.texts[size_t(k)]});
    for (int i = 0; i < ModuleSetup::kBitmaps; ++i)
        keys.append({bitmapKey(i), setup.bitmaps[size_t(i)]});
    return settings.writeKeys(kSection, keys, held);
}

} // namespace velnor
