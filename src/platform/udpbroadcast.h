#pragma once

namespace ta::platform {

// Whether a UDP socket bound to one unicast address of this computer also
// receives the broadcasts that arrive on that address's interface. Windows
// hands them over; Linux and the BSDs give limited broadcasts only to sockets
// bound to the wildcard address, so there an extra wildcard socket is needed.
bool unicastSocketsReceiveBroadcasts();

} // namespace ta::platform
