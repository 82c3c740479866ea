#pragma once

#include "protocol/ModuleSetup.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <variant>

namespace velnor {

// The configuration upload as a plan: the frames in order, each with whether one tick is
// waited after it, and the boxes it fills out with spaces just before it goes out.
struct UploadStep
{
    // Written byte by byte from the transmit buffer, or as one text.
    enum class Kind { Frame, Text };
    // The boxes that can be filled out: the two start-up lines, then the ten texts.
    enum Field { Line1 = 0, Line2 = 1, FirstText = 2 };
    struct Fill
    {
        int field = Line1;
        QString text;
        bool operator==(const Fill&) const = default;
    };

    Kind kind = Kind::Frame;
    QByteArray bytes;
    bool waitAfter = false;
    QList<Fill> fills;

    bool operator==(const UploadStep&) const = default;
};

enum class UploadRefusal {
    // A bitmap box holds no number from 0 to 255.
    BadBitmap,
    // The address box holds none of the addresses 101 to 132. Without one the new address
    // would be the broadcast address, which no module may have.
    NoAddress,
};

// The message for a refusal, as the window and the command line show it.
QString refusalText(UploadRefusal refusal);

// The whole upload of a setup, or why it cannot be sent. Nothing is sent for a refusal, so
// every box is checked before the first step.
std::variant<QList<UploadStep>, UploadRefusal> planUpload(const ModuleSetup& setup);

// The first bitmap box, 0 to 63, that holds no number the upload can send; nothing when all do.
std::optional<int> refusedBitmap(const ModuleSetup& setup);
// Where a bitmap box is in the window: "CHAR 3, Byte 2" for box 17.
QString bitmapPlace(int box);

// The setup as a save keeps it: every bitmap box as the decimal byte the upload sends for it,
// so the settings file never holds a value the upload would refuse or read otherwise. A setup
// the upload refuses is refused the same way.
std::variant<ModuleSetup, UploadRefusal> setupToSave(ModuleSetup setup);

// The setup as it stands after the upload: texts filled out to 16 characters.
ModuleSetup applyFills(ModuleSetup setup, const QList<UploadStep>& steps);

} // namespace velnor
