#pragma once

#include <QByteArrayView>
#include <QString>

namespace velnor {

// Traffic monitor text: each byte as two upper-case hex digits followed by one blank.
QString hexItems(QByteArrayView bytes);

} // namespace velnor
