#include "platform/udpbroadcast.h"

#include <QtGlobal>

namespace ta::platform {

bool unicastSocketsReceiveBroadcasts()
{
#ifdef Q_OS_WIN
    return true;
#else
    return false;
#endif
}

} // namespace ta::platform
