// The receiver's identification answer "@@Cj": which receiver is attached and its
// firmware version, for everything that depends on the model.

#include "motorolahandlers.h"

#include "gpsrxiddialog.h"
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include <QAction>
#include <QRegularExpression>

namespace {

using namespace MotorolaDecoder;

// Shorter answers carry no identification text worth reading.
constexpr int kShortestIdentification = 123;
// A model name found later than this lies outside the Motorola layout.
constexpr int kLastModelFieldStart = 180;
// The names of the timing receivers of the later maker are searched from here on.
constexpr int kSsrNamesFrom = 161;

enum class VersionRule { Motorola, WholeText, Lotus };

// The bytes at offset equal the text; a field past the message's end never does.
bool BytesAt(const QByteArray& msg, int offset, const char* text)
{
    return msg.mid(offset, static_cast<qsizetype>(qstrlen(text))) == text;
}

// The character at a position of the model field, or 0 past its end.
char FieldChar(const QByteArray& field, int position)
{
    return position < field.size() ? field.at(position) : '\0';
}

// The model code of a Motorola or Synergy receiver from its trimmed model field.
int MotorolaModel(const QByteArray& field, const QByteArray& msg, bool& bPlusVariant)
{
    const char first = FieldChar(field, 0);
    const char second = FieldChar(field, 1);
    struct Row
    {
        char first;
        char second;  // 0: any
        int position; // -1: no further test
        char further;
        int model;
    };
    static constexpr Row kRows[] = {
        {'A', '1', -1, 0, 11}, {'B', '1', -1, 0, 11}, {'B', '2', -1, 0, 11}, {'B', '3', -1, 0, 10},
        {'B', '4', -1, 0, 10}, {'B', '8', -1, 0, 10}, {'N', 'S', -1, 0, 10}, {'P', 'V', 2, 'T', 6},
        {'P', 0, 5, 'T', 3},   {'P', '1', -1, 0, 3},  {'P', '2', -1, 0, 4},  {'P', '3', -1, 0, 5},
        {'R', '1', 5, 'N', 1}, {'R', '1', -1, 0, 8},  {'R', '3', -1, 0, 2},  {'R', '4', -1, 0, 2},
        {'R', '5', -1, 0, 9},  {'R', '6', -1, 0, 7},  {'T', '8', -1, 0, 10}, {'I', 'L', -1, 0, 5},
    };
    for (const Row& row : kRows) {
        if (first != row.first || (row.second != 0 && second != row.second))
            continue;
        if (row.position >= 0 && FieldChar(field, row.position) != row.further)
            continue;
        return row.model;
    }
    static constexpr const char* kSsrNames[] = {"SSR-6Tf", "SSR-6Tr", "SSR-M8F", "SSR-M8T"};
    for (int k = 0; k < 4; ++k) {
        const QByteArray name(kSsrNames[k]);
        if (msg.indexOf(name, kSsrNamesFrom) < 0)
            continue;
        bPlusVariant = msg.indexOf(name + '+', kSsrNamesFrom) >= 0;
        return 21 + k;
    }
    return 5;
}

// An 11-byte version field without the blanks around it.
QString VersionField(const QByteArray& msg, int offset)
{
    return QString::fromLatin1(msg.mid(offset, 11).trimmed());
}

// The receivers store their version in single precision.
double SinglePrecision(const QString& text)
{
    bool ok = false;
    const float value = text.toFloat(&ok);
    return ok ? static_cast<double>(value) : 0.0;
}

double VersionNumber(const QString& text, VersionRule rule)
{
    switch (rule) {
    case VersionRule::Motorola: {
        // The last number in the text stands.
        static const QRegularExpression number(QStringLiteral("[-+]?[0-9]+\\.?[0-9]*"));
        double version = 0.0;
        QRegularExpressionMatchIterator matches = number.globalMatch(text);
        while (matches.hasNext())
            version = SinglePrecision(matches.next().captured());
        return version;
    }
    case VersionRule::WholeText:
        return SinglePrecision(text);
    case VersionRule::Lotus:
        return SinglePrecision(text.mid(3, 3));
    }
    return 0.0;
}

}  // namespace

MotorolaDecoder::ReceiverIdentity MotorolaDecoder::IdentifyFromText(const QByteArray& msg)
{
    ReceiverIdentity identity;
    VersionRule rule = VersionRule::Motorola;
    const int start = static_cast<int>(msg.indexOf("MODEL # ")) + 8;
    const bool byModelName = start <= kLastModelFieldStart &&
                             (msg.contains("MOTOROLA") || msg.contains("Synergy") || msg.contains("SYNERGY"));
    if (byModelName) {
        identity.receiverModel = MotorolaModel(msg.mid(start, 18).trimmed(), msg, identity.bPlusVariant);
    } else if (BytesAt(msg, 15, "SiRF")) {
        identity.receiverModel = 5;
        rule = VersionRule::WholeText;
    } else if (BytesAt(msg, 26, "i-LOTUS")) {
        identity.receiverModel = 20;
        rule = VersionRule::Lotus;
    } else if (BytesAt(msg, 26, "CONEXANT")) {
        identity.receiverModel = 17;
        rule = VersionRule::WholeText;
    } else if (BytesAt(msg, 26, "SIGNAV  ")) {
        identity.receiverModel = 18;
        rule = VersionRule::WholeText;
    } else {
        return identity;
    }
    identity.bModelKnown = true;
    identity.bVersionKnown = true;
    identity.firmwareVersionText = VersionField(msg, rule == VersionRule::Lotus ? 83 : 84) + QLatin1Char('.') +
                                   VersionField(msg, 112);
    identity.firmwareVersion = VersionNumber(identity.firmwareVersionText, rule);
    return identity;
}

void MotorolaDecoder::IdentifyReceiverModel(MainWindow& w, const QByteArray& msg, MotorolaTexts& texts)
{
    if (msg.size() >= kShortestIdentification) {
        const QString text = QString::fromUtf8(msg);
        if (w.gpsRxIdDialog)
            w.gpsRxIdDialog->AppendRxIdText(text);
        texts.configuration = text;
        texts.display = text;
        receiverInfo.bPlusVariant = false;
        // Once a receiver has answered, the firmware load stays off.
        w.ui->actionSend_new_firmware_to_GPS_Rx->setEnabled(false);

        const ReceiverIdentity identity = IdentifyFromText(msg);
        if (identity.bModelKnown) {
            receiverInfo.receiverModel = identity.receiverModel;
            receiverInfo.bPlusVariant = identity.bPlusVariant;
        }
        if (identity.bVersionKnown) {
            receiverInfo.firmwareVersionText = identity.firmwareVersionText;
            receiverInfo.firmwareVersion = identity.firmwareVersion;
        }
    }
    w.bAnswerReceived[MainWindow::AnswerCj] = true;
}
