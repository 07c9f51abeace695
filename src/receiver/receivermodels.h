#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct ReceiverInfo;

// What the receiver search knows of each receiver model, and the fixed messages of
// its set-up: plain functions, so the tests read them without a port.
namespace ReceiverModels {

// The name shown in the identity line; "+" is added to the SSR names for a plus
// variant. Unknown codes show as "UNKNOWN".
QString ModelName(int code, bool bPlusVariant);
// Channels the Motorola set-up gives the model; 0 keeps what the channel probe found.
int ModelChannels(int code);
// The second timing error term of the model (ns); the first is always 10 ns.
double ModelErrorTerm(int code);
// The models whose commands are those of the 12-channel receivers.
bool IsTwelveChannelFamily(int code);
bool IsSsrModel(int code);

// The status-bar line of a receiver read in the binary modes; rxOnly appends
// ", Rx Only" to the name before it is compared.
QString BinaryIdentityLine(const ReceiverInfo& info, bool bRxOnly, bool bEmulatePvt6, bool bRxOnLocalTime);
// The status-bar line of a Motorola receiver left in its NMEA mode.
QString NmeaIdentityLine(const ReceiverInfo& info);

// "@@Wb" with the new data rate as four decimal digits of rate / 100, two to a byte;
// in the Motorola binary mode the first byte carries 0x40 as well.
QByteArray DataRateCommand(int rate, int mode);

// The u-blox set-up, without checksums: port, the messages it sends, antenna and
// saving of the configuration.
QByteArray UbxPortSetup(int rate);
QList<QByteArray> UbxMessagesOff();
QByteArray UbxAntennaSetup();
QList<QByteArray> UbxMessagesOn(int mode);
QByteArray UbxSaveConfiguration();
QByteArray UbxVersionPoll();
// The self-survey messages of a u-blox timing receiver.
QList<QByteArray> UbxSelfSurvey();

}  // namespace ReceiverModels
