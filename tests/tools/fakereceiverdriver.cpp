// Developer tool: a scripted 12-channel Motorola receiver on a pseudo-terminal pair,
// for a look at the program running with a receiver. Prints the end the program is to
// open, then answers and sends a position every second until stopped with Ctrl+C,
// SIGTERM or SIGHUP; it then lets go of its port (and the port's lock file), stops its
// socat and removes its temporary folder.
//   horalux_fakereceiver

#include "fakereceiver.h"
#include "shutdownsignals.h"
#include "socatpair.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The signals end the event loop instead of the process, so that the destructors
    // below run: a killed process would leave socat running and its files behind.
    if (!ShutdownSignals::Catch(&app, [](int) { QCoreApplication::quit(); }))
        qWarning("Ctrl+C will leave socat and the temporary folder behind");
    SocatPair pair;
    if (!pair.Start()) {
        qWarning("socat did not make its pseudo-terminals");
        return 1;
    }
    FakeReceiver rx(FakeReceiver::Kind::Motorola12, 9600, FakeReceiver::Protocol::MotorolaBinary);
    if (!rx.Open(pair.ReceiverEnd()))
        return 1;
    rx.StartLiveData();
    QTextStream(stdout) << pair.ProgramEnd() << Qt::endl;
    return app.exec();
}
