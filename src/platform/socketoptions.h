#pragma once

#include <QString>
#include <QtGlobal>

// How long a TCP link may outlive a peer that vanished without a word (a cable pulled,
// a VPN dropped, a machine switched off): the system sends no FIN or RST then, and a
// link left alone stays open for up to a quarter of an hour.
struct PeerWatch
{
    int unacknowledgedMs = 30000;  // data sent and not acknowledged for this long breaks the link
    int keepAliveIdleS = 60;       // silence before the first keep-alive probe
    int keepAliveIntervalS = 10;   // between unanswered probes
    int keepAliveCount = 3;        // unanswered probes that break the link
};

namespace SocketOptions {

// Puts the watch on a connected socket (its descriptor), keep-alive switched on.
// False, with the system's reason in *error, when the system refuses any of it.
bool SetPeerWatch(qintptr descriptor, const PeerWatch& watch, QString* error);

}  // namespace SocketOptions
