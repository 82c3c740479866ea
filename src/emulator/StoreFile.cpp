#include "emulator/StoreFile.h"

#include "system/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

namespace velnor {

namespace {

const QString Kind = QStringLiteral("velnor-emulator-store");
constexpr int Version = 1;

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

std::optional<QByteArray> bytesOf(const QJsonValue& value, int size)
{
    const QString text = value.toString();
    if (text.size() != size * 2)
        return std::nullopt;
    for (QChar c : text) {
        if (!c.isDigit() && !(c.toLower() >= u'a' && c.toLower() <= u'f'))
            return std::nullopt;
    }
    return QByteArray::fromHex(text.toLatin1());
}

QJsonObject toJson(quint32 serial, const ModuleConfig& config)
{
    QJsonArray texts;
    for (const QByteArray& text : config.texts)
        texts.append(hex(text));
    return QJsonObject{
        {QStringLiteral("serial"), qint64(serial)},
        {QStringLiteral("address"), int(config.address)},
        {QStringLiteral("baud"), config.baud},
        {QStringLiteral("startup"), hex(config.startupScreen)},
        {QStringLiteral("bitmaps"), hex(config.bitmaps)},
        {QStringLiteral("texts"), texts},
    };
}

std::optional<ModuleConfig> fromJson(const QJsonObject& object)
{
    ModuleConfig config;
    const int address = object.value(QStringLiteral("address")).toInt(-1);
    if (!ModuleConfig::isModuleAddress(address))
        return std::nullopt;
    config.address = quint8(address);
    config.baud = object.value(QStringLiteral("baud")).toInt(-1);
    const auto startup =
        bytesOf(object.value(QStringLiteral("startup")), ModuleConfig::StartupSize);
    const auto bitmaps =
        bytesOf(object.value(QStringLiteral("bitmaps")), ModuleConfig::BitmapSize);
    if (!startup || !bitmaps)
        return std::nullopt;
    config.startupScreen = *startup;
    config.bitmaps = *bitmaps;
    for (const QJsonValue& value : object.value(QStringLiteral("texts")).toArray()) {
        const auto text = bytesOf(value, ModuleConfig::TextSize);
        if (!text)
            return std::nullopt;
        config.texts.append(*text);
    }
    if (!config.isValid())
        return std::nullopt;
    return config;
}

} // namespace

StoreFile::StoreFile(QString path) : m_path(std::move(path)) {}

QMap<quint32, ModuleConfig> StoreFile::load(QString* warning) const
{
    QMap<quint32, ModuleConfig> configs;
    const auto warn = [&](const QString& reason) {
        if (warning)
            *warning = m_path + QStringLiteral(": ") + reason;
    };
    if (warning)
        warning->clear();

    const QFileInfo info(m_path);
    if (!info.exists())
        return configs;
    // Far beyond any store of 32 modules; a device or a FIFO is never read.
    constexpr qint64 kMaxBytes = 1024 * 1024;
    if (!info.isFile() || info.size() > kMaxBytes) {
        warn(QStringLiteral("not a store file of this emulator; starting from factory settings"));
        return configs;
    }
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        warn(file.errorString());
        return configs;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    const QJsonObject root = document.object();
    if (parseError.error != QJsonParseError::NoError || !document.isObject() ||
        root.value(QStringLiteral("kind")).toString() != Kind ||
        root.value(QStringLiteral("version")).toInt() != Version ||
        !root.value(QStringLiteral("modules")).isArray()) {
        warn(QStringLiteral("not a store file of this emulator; starting from factory settings"));
        return configs;
    }

    int damaged = 0;
    for (const QJsonValue& value : root.value(QStringLiteral("modules")).toArray()) {
        const QJsonObject object = value.toObject();
        const qint64 serial = object.value(QStringLiteral("serial")).toInteger(-1);
        const auto config = fromJson(object);
        if (serial < 0 || serial > 0xFFFFFFFFll || !config) {
            ++damaged;
            continue;
        }
        configs.insert(quint32(serial), *config);
    }
    if (damaged > 0)
        warn(QStringLiteral("%1 damaged module entries; those modules start from factory settings")
                 .arg(damaged));
    return configs;
}

bool StoreFile::save(const QMap<quint32, ModuleConfig>& configs, QString* error) const
{
    QJsonArray modules;
    for (auto it = configs.cbegin(); it != configs.cend(); ++it)
        modules.append(toJson(it.key(), it.value()));
    const QJsonObject root{
        {QStringLiteral("kind"), Kind},
        {QStringLiteral("version"), Version},
        {QStringLiteral("modules"), modules},
    };

    const QFileInfo info(m_path);
    // The store is read back at the next start, which only a regular file can give: anything
    // else there is left alone rather than written into or replaced.
    if (const FileTarget target = FileTarget::of(m_path);
        !target.replaceable() && target.kind != FileTarget::Kind::Unknown) {
        if (error)
            *error = m_path +
                     QStringLiteral(": is %1, not a regular file; not written").arg(target.what);
        return false;
    }
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = info.absolutePath() + QStringLiteral(": cannot create the folder");
        return false;
    }
    if (const WholeWrite written = writeWholeFile(m_path, QJsonDocument(root).toJson());
        !written) {
        if (error)
            *error = m_path + QStringLiteral(": ") + written.detail;
        return false;
    }
    return true;
}

} // namespace velnor
