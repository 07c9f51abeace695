// Developer tool: a scripted 12-channel Motorola receiver on a pseudo-terminal pair,
// for a look at the program running with a receiver. Prints the end the program is to
// open, then answers and sends a position every second until killed.
//   horalux_fakereceiver

#include "fakereceiver.h"
#include "socatpair.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
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
