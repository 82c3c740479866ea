#include "link/WaitGate.h"

namespace velnor {

bool WaitGate::close(QObject* holder)
{
    if (!isOpen())
        return m_holder == holder;
    m_holder = holder;
    emit openChanged(false);
    return true;
}

void WaitGate::open(const QObject* holder)
{
    if (!isHeldBy(holder))
        return;
    m_holder.clear();
    emit openChanged(true);
}

} // namespace velnor
