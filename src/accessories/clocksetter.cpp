// The real clock setter, apart so tests of the clock never link a call that
// changes the machine's time.
#include "accessories/clock.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace orugif::accessories {

QString setSystemClock(const QDateTime& when)
{
    timespec moment{};
    moment.tv_sec = time_t(when.toSecsSinceEpoch());
    moment.tv_nsec = 0;
    if (clock_settime(CLOCK_REALTIME, &moment) == 0)
        return {};
    if (errno == EPERM)
        return QStringLiteral("Oru Gif n'a pas le droit de régler l'horloge du système");
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace orugif::accessories
