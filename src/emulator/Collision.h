#pragma once

#include <QByteArray>
#include <QList>

namespace velnor {

// What the panel receives when several modules answer at once. The line is taken as
// wired-AND (a transmitter sending a 0 bit pulls it down) and each further answer starts one
// bit time after the one before, as no two modules react at exactly the same moment. The
// result is then read back as a receiver at 8N1 would, so even equal answers come out
// garbled.
QByteArray collide(const QList<QByteArray>& answers);

} // namespace velnor
