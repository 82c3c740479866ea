#include "protocol/UploadPlan.h"

#include "protocol/BitmapValue.h"
#include "protocol/Frames.h"
#include "protocol/SafeText.h"
#include "shared/Wire.h"

namespace velnor {

namespace {

const QString kConfiguring = QStringLiteral("Configuring..");
const QString kCompleted = QStringLiteral("Completed");
constexpr int kBottomRow = 1;

// A box's text as it goes out: filled with spaces to a full row, never longer.
QString filledOut(const QString& text)
{
    return text.leftJustified(ModuleSetup::kTextLength, QLatin1Char(' '), true);
}

UploadStep frame(QByteArray bytes, bool waitAfter = false)
{
    return {UploadStep::Kind::Frame, std::move(bytes), waitAfter, {}};
}

UploadStep text(QByteArray bytes, bool waitAfter = false, QList<UploadStep::Fill> fills = {})
{
    return {UploadStep::Kind::Text, std::move(bytes), waitAfter, std::move(fills)};
}

// A fill only where the box changes: a full box is sent as it stands and not rewritten.
QList<UploadStep::Fill> fillsFor(std::initializer_list<std::pair<int, QString>> boxes)
{
    QList<UploadStep::Fill> fills;
    for (const auto& [field, current] : boxes) {
        if (filledOut(current) != current)
            fills.append({field, filledOut(current)});
    }
    return fills;
}

} // namespace

QString refusalText(UploadRefusal refusal)
{
    switch (refusal) {
    case UploadRefusal::BadBitmap:
        return QStringLiteral("Please Enter Numeric Value 0 to 255 in the bitmap field");
    case UploadRefusal::NoAddress:
        return QStringLiteral("Please Select a Device Address from %1 to %2")
            .arg(wire::FirstAddress)
            .arg(wire::LastAddress);
    }
    return {};
}

std::optional<int> refusedBitmap(const ModuleSetup& setup)
{
    for (int i = 0; i < ModuleSetup::kBitmaps; ++i) {
        if (!bitmapByte(setup.bitmaps[size_t(i)]))
            return i;
    }
    return std::nullopt;
}

QString bitmapPlace(int box)
{
    return QStringLiteral("CHAR %1, Byte %2")
        .arg(box / limits::CharacterDotRows + 1)
        .arg(box % limits::CharacterDotRows + 1);
}

std::variant<ModuleSetup, UploadRefusal> setupToSave(ModuleSetup setup)
{
    if (refusedBitmap(setup))
        return UploadRefusal::BadBitmap;
    if (!setup.address())
        return UploadRefusal::NoAddress;
    for (QString& box : setup.bitmaps)
        box = QString::number(*bitmapByte(box));
    return setup;
}

std::variant<QList<UploadStep>, UploadRefusal> planUpload(const ModuleSetup& setup)
{
    if (refusedBitmap(setup))
        return UploadRefusal::BadBitmap;
    QByteArray bitmaps;
    for (const QString& box : setup.bitmaps)
        bitmaps.append(char(*bitmapByte(box)));
    const std::optional<int> address = setup.address();
    if (!address)
        return UploadRefusal::NoAddress;

    QList<UploadStep> steps;
    steps.append(text(char(wire::SecondRow) + safeText(kConfiguring)));
    steps.append(frame(frames::baudRate(setup.at9600), true));
    steps.append(frame(frames::newAddress(*address), true));
    steps.append(frame(frames::startupScreenHeader()));
    steps.append(
        text(safeText(filledOut(setup.line1)) + safeText(filledOut(setup.line2)), true,
             fillsFor({{UploadStep::Line1, setup.line1}, {UploadStep::Line2, setup.line2}})));
    steps.append(frame(frames::bitmapsHeader()));
    steps.append(frame(bitmaps, true));
    steps.append(frame(frames::noEffect()));
    for (int k = 0; k < ModuleSetup::kTexts; ++k) {
        const QString& current = setup.texts[size_t(k)];
        steps.append(frame(frames::storeTextHeader(k)));
        steps.append(text(safeText(filledOut(current)), true,
                          fillsFor({{UploadStep::FirstText + k, current}})));
    }
    steps.append(frame(frames::clearRow(kBottomRow)));
    steps.append(text(safeText(kCompleted)));
    steps.append(frame(frames::deselect()));
    return steps;
}

ModuleSetup applyFills(ModuleSetup setup, const QList<UploadStep>& steps)
{
    for (const UploadStep& step : steps) {
        for (const UploadStep::Fill& fill : step.fills) {
            if (fill.field == UploadStep::Line1)
                setup.line1 = fill.text;
            else if (fill.field == UploadStep::Line2)
                setup.line2 = fill.text;
            else
                setup.texts[size_t(fill.field - UploadStep::FirstText)] = fill.text;
        }
    }
    return setup;
}

} // namespace velnor
