#include "commands/ConfigCommands.h"

#include "link/ConfigLink.h"
#include "link/MessageSink.h"
#include "link/Panel.h"
#include "link/SerialPort.h"
#include "protocol/Frames.h"
#include "protocol/SafeText.h"
#include "protocol/UploadPlan.h"
#include "settings/IniFile.h"
#include "settings/ModuleSetupFile.h"
#include "shared/Wire.h"

#include <QDir>

#include <algorithm>

namespace velnor {

namespace {

// The fixed text says what is wrong; the detail says where.
SetupRefusal refusalOf(UploadRefusal refusal, const ModuleSetup& setup)
{
    SetupRefusal refused{refusalText(refusal), {}, {}};
    if (refusal != UploadRefusal::BadBitmap)
        return refused;
    refused.bitmap = refusedBitmap(setup);
    if (refused.bitmap) {
        const QString place = bitmapPlace(*refused.bitmap);
        const QString& text = setup.bitmaps[size_t(*refused.bitmap)];
        refused.detail = text.isEmpty() ? QStringLiteral("%1 is empty.").arg(place)
                                        : QStringLiteral("%1 holds \"%2\".").arg(place, text);
    }
    return refused;
}

} // namespace

ConfigCommands::ConfigCommands(Panel& panel, const IniFile& settings, QObject* parent)
    : QObject(parent), m_mainPort(panel.port()), m_port(panel.configPort()),
      m_messages(panel.messages()), m_settings(settings), m_link(panel.configLink())
{
}

QString ConfigCommands::targetNote(const ModuleSetup& setup)
{
    // Every module on the line hears the upload, as the window selected them all at load.
    QString note =
        setup.address()
            ? QStringLiteral("The upload goes to every module on the line: all of them will "
                             "take address %1 and %2 bit/s.")
                  .arg(*setup.address())
                  .arg(setup.at9600 ? wire::FastSpeed : wire::SlowSpeed)
            : QStringLiteral("The upload goes to every module on the line: choose the address "
                             "they will all take, %1 to %2.")
                  .arg(wire::FirstAddress)
                  .arg(wire::LastAddress);
    // Every text goes out padded with blanks: an empty box blanks what each module had, which
    // it would show at power-up or print for the text's number.
    const auto blank = [](const QString& text) { return text.trimmed().isEmpty(); };
    QStringList blanked;
    if (blank(setup.line1) && blank(setup.line2))
        blanked << QStringLiteral("the start-up screen");
    else if (blank(setup.line1) || blank(setup.line2))
        blanked << QStringLiteral("start-up line %1").arg(blank(setup.line1) ? 1 : 2);
    const auto emptyTexts = std::count_if(setup.texts.begin(), setup.texts.end(), blank);
    if (emptyTexts == ModuleSetup::kTexts)
        blanked << QStringLiteral("all %1 texts").arg(ModuleSetup::kTexts);
    else if (emptyTexts > 0)
        blanked << QStringLiteral("%1 of the texts").arg(emptyTexts);
    note += QStringLiteral("\nIt replaces their start-up screen and %1 predefined texts")
                .arg(ModuleSetup::kTexts);
    note += blanked.isEmpty() ? QStringLiteral(" with the ones above.")
                              : QStringLiteral(", blanking those empty here: %1.")
                                    .arg(blanked.join(QStringLiteral(" and ")));
    return note;
}

ModuleSetup ConfigCommands::load(int commIndex)
{
    m_port.setSettings(m_mainPort.settings());
    m_port.setCommPort(commIndex + 1);
    // Every module on the line, selected through the broadcast address; a port that cannot be
    // used is reported by each of the two sends, and the window opens all the same.
    m_link.sendFrame(frames::enterConfiguration());
    m_link.sendText(safeText(frames::kConfigModeText));
    return loadModuleSetup(m_settings);
}

std::optional<SetupRefusal> ConfigCommands::upload(const ModuleSetup& setup)
{
    const auto plan = planUpload(setup);
    if (const auto* refusal = std::get_if<UploadRefusal>(&plan))
        return refuse(refusalOf(*refusal, setup));
    const auto& steps = std::get<QList<UploadStep>>(plan);
    m_stepsSent = 0;
    m_steps = int(steps.size());
    // The texts were read at the click; typing into them while the upload runs would be
    // neither sent nor kept once the upload fills the boxes out. A plan that ends at its first
    // step (a port that cannot be used) has finished, and let go of them, before start() returns.
    emit holdBoxes(true);
    ConfigLink::Upload upload;
    upload.filled = [this](int field, const QString& text) { emit filled(field, text); };
    upload.stepSent = [this](int sent, int total) {
        m_stepsSent = sent;
        emit noteChanged(QStringLiteral("Sending: step %1 of %2.").arg(sent).arg(total));
    };
    upload.finished = [this](bool completed) { uploadEnded(completed); };
    if (!m_link.start(steps, this, std::move(upload)))
        emit holdBoxes(false);
    return std::nullopt;
}

std::optional<SetupRefusal> ConfigCommands::save(const ModuleSetup& setup)
{
    // What is saved is what the upload would send: the address the main window selects at its
    // next start must be one a module can have, and a bitmap is kept as the byte it stands for.
    const auto toSave = setupToSave(setup);
    if (const auto* refusal = std::get_if<UploadRefusal>(&toSave))
        return refuse(refusalOf(*refusal, setup));
    const bool stored = m_link.sendFrame(frames::saveToNonVolatileMemory());
    const QStringList failures = saveModuleSetup(std::get<ModuleSetup>(toSave), m_settings);
    const QString file = QDir::toNativeSeparators(m_settings.path());
    emit noteChanged((stored ? QStringLiteral("Store command sent to every module; ")
                             : QStringLiteral("Store command not sent (port not available); ")) +
                     (failures.isEmpty() ? QStringLiteral("settings written to %1.")
                                         : QStringLiteral("settings NOT written to %1."))
                         .arg(file));
    if (!failures.isEmpty()) {
        QString detail = failures.first();
        if (failures.size() > 1)
            detail += QStringLiteral("\n%1 of %2 settings were not written.")
                          .arg(failures.size())
                          .arg(ModuleSetup::kKeys);
        m_messages.showMessage(kSettingsNotSaved, detail);
    }
    return std::nullopt;
}

void ConfigCommands::release()
{
    m_link.stop();
    m_port.setPortOpen(false);
}

bool ConfigCommands::isUploading() const
{
    return m_link.isRunning();
}

SetupRefusal ConfigCommands::refuse(const SetupRefusal& refusal)
{
    m_messages.showMessage(refusal.message, refusal.detail);
    return refusal;
}

void ConfigCommands::uploadEnded(bool completed)
{
    emit holdBoxes(false);
    emit noteChanged(
        completed
            ? QStringLiteral("Upload complete: all %1 steps sent. Save keeps it in the modules' "
                             "memory.")
                  .arg(m_steps)
            : QStringLiteral("Upload stopped after step %1 of %2.").arg(m_stepsSent).arg(m_steps));
}

} // namespace velnor
