// Checksums of the three receiver protocols on the sending side.

#include "gpsserialportthread.h"

bool GpsSerialPortThread::AppendMotorolaChecksum(QByteArray& msg)
{
    if (msg.size() < 4 || msg.at(0) != '@')
        return false;
    // Every byte counts, also when a payload byte happens to be '*': the "@@" cancel out.
    char sum = 0;
    for (char c : msg)
        sum ^= c;
    msg.append(sum);
    return true;
}

bool GpsSerialPortThread::AppendUbxChecksum(QByteArray& msg)
{
    if (msg.size() < 4 || static_cast<unsigned char>(msg.at(0)) != 0xB5 || msg.at(1) != 'b')
        return false;
    unsigned char ckA = 0;
    unsigned char ckB = 0;
    for (qsizetype i = 2; i < msg.size(); ++i) {
        ckA = static_cast<unsigned char>(ckA + static_cast<unsigned char>(msg.at(i)));
        ckB = static_cast<unsigned char>(ckB + ckA);
    }
    msg.append(static_cast<char>(ckA));
    msg.append(static_cast<char>(ckB));
    return true;
}

bool GpsSerialPortThread::AppendNmeaChecksum(QByteArray& msg)
{
    if (msg.size() < 7 || msg.at(0) != '$')
        return false;
    if (msg.at(msg.size() - 3) == '*')
        msg.chop(3);
    char sum = 0;
    for (qsizetype i = 1; i < msg.size(); ++i)
        sum ^= msg.at(i);
    msg.append('*');
    msg.append(QByteArray::number(static_cast<unsigned char>(sum), 16).toUpper().rightJustified(2, '0'));
    return true;
}

// ---- Checks of received messages ----

bool GpsSerialPortThread::CheckMotorolaChecksum(QByteArrayView frame)
{
    const qsizetype n = frame.size();
    if (n < 3 || frame.at(n - 2) != '\r' || frame.at(n - 1) != '\n')
        return false;
    // The receiver's "@@Eq" carries no usable checksum.
    if (frame.startsWith("@@Eq"))
        return true;
    char sum = 0;
    for (qsizetype i = 0; i < n - 3; ++i)
        sum ^= frame.at(i);
    return frame.at(n - 3) == sum;
}

bool GpsSerialPortThread::CheckUbxChecksum(QByteArrayView frame)
{
    const qsizetype n = frame.size();
    if (n < 8)
        return false;
    unsigned char ckA = 0;
    unsigned char ckB = 0;
    for (qsizetype i = 2; i < n - 2; ++i) {
        ckA = static_cast<unsigned char>(ckA + static_cast<unsigned char>(frame.at(i)));
        ckB = static_cast<unsigned char>(ckB + ckA);
    }
    return static_cast<unsigned char>(frame.at(n - 2)) == ckA
        && static_cast<unsigned char>(frame.at(n - 1)) == ckB;
}

bool GpsSerialPortThread::NmeaSentenceValid(QByteArrayView sentence)
{
    const qsizetype n = sentence.size();
    if (n < 3)
        return false;
    if (sentence.at(n - 3) == '*') {
        char sum = 0;
        for (qsizetype i = 1; i < n - 3; ++i)
            sum ^= sentence.at(i);
        static const char hex[] = "0123456789ABCDEF";
        const auto value = static_cast<unsigned char>(sum);
        // Upper-case digits only: the receivers send them so.
        return sentence.at(n - 2) == hex[value >> 4] && sentence.at(n - 1) == hex[value & 0x0F];
    }
    if (sentence.contains('*'))
        return false;
    return (sentence.startsWith("$GP") || sentence.startsWith("$P")) && sentence.contains(',');
}

bool GpsSerialPortThread::CheckNmeaChecksum(QByteArray& sentence)
{
    const bool valid = NmeaSentenceValid(sentence);
    if (sentence.size() >= 3 && sentence.at(sentence.size() - 3) == '*')
        sentence.chop(3);
    return valid;
}

// ---- Motorola message lengths ----

namespace {

struct MotorolaLength
{
    char id[3];
    short length;
};

// Total length of each received message, by its two id letters.
constexpr MotorolaLength kMotorolaLengths[] = {
    {"AA", 8},   {"AB", 8},   {"AC", 9},   {"AD", 9},   {"AE", 8},   {"AJ", 8},
    {"AM", 11},  {"AN", 8},   {"AO", 8},   {"AP", 8},   {"AQ", 8},   {"AS", 8},
    {"Aa", 10},  {"Ab", 10},  {"Ac", 11},  {"Ad", 11},  {"Ae", 11},  {"Af", 15},
    {"Ag", 8},   {"Ah", 8},   {"Ai", 9},   {"Aj", 8},   {"Ak", 9},   {"Al", 9},
    {"Am", 12},  {"An", 8},   {"Ap", 25},  {"Aq", 8},   {"Ar", 8},   {"As", 20},
    {"At", 8},   {"Au", 12},  {"Av", 8},   {"Aw", 8},   {"Ax", 9},   {"Ay", 11},
    {"Az", 11},
    {"Ba", 68},  {"Bb", 92},  {"Bc", 82},  {"Bd", 23},  {"Bf", 80},  {"Bg", 122},
    {"Bj", 8},   {"Bk", 69},  {"Bl", 41},  {"Bn", 59},  {"Bo", 8},
    {"Ca", 9},   {"Cb", 33},  {"Cc", 80},  {"Cd", 171}, {"Ce", 52},  {"Cf", 7},
    {"Cg", 8},   {"Ch", 9},   {"Cj", 294}, {"Ck", 7},   {"Co", 29},
    {"Ea", 76},  {"Ec", 100}, {"Eg", 158}, {"Ek", 71},  {"En", 69},  {"Eq", 96},
    {"Fa", 9},   {"Fd", 189},
    {"Ga", 20},  {"Gb", 17},  {"Gc", 8},   {"Gd", 8},   {"Ge", 8},   {"Gf", 9},
    {"Gj", 21},  {"Gk", 13},  {"Gl", 264},
    {"Ha", 154}, {"Hb", 54},  {"Hn", 78},  {"Hr", 170},
    {"Ia", 10},  {"Ip", 127}, {"Ir", 7},
    {"SP", 11},  {"Sa", 184}, {"Sc", 8},   {"Sm", 8},   {"So", 8},   {"Sp", 8},
    {"St", 8},   {"Sx", 8},   {"Sz", 8},
    {"Tf", 12},  {"Ti", 21},  {"Tj", 27},  {"Tk", 65},  {"Tm", 19},  {"Tn", 11},
    {"To", 142}, {"Tq", 7},   {"Tr", 597}, {"Ts", 17},
    {"Wb", 9},   {"Wm", 22},  {"Wo", 9},   {"Ws", 18},
};

// One row per first id letter "A" to "W", one column per second byte 0 to 127.
struct MotorolaLengthTable
{
    short length[23][128];
};

constexpr MotorolaLengthTable BuildMotorolaLengthTable()
{
    MotorolaLengthTable table{};
    for (int family = 0; family < 23; ++family) {
        // Family "W" answers 0, not unknown, for the letters it has no message for.
        const short none = family == 'W' - 'A' ? 0 : -1;
        for (short& cell : table.length[family])
            cell = none;
    }
    for (const MotorolaLength& entry : kMotorolaLengths)
        table.length[entry.id[0] - 'A'][static_cast<unsigned char>(entry.id[1])] = entry.length;
    return table;
}

constexpr MotorolaLengthTable kMotorolaLengthTable = BuildMotorolaLengthTable();

}  // namespace

int GpsSerialPortThread::MotorolaMessageLength(QByteArrayView head)
{
    if (head.size() < 4)
        return -1;
    const auto family = static_cast<unsigned char>(head.at(2));
    const auto letter = static_cast<unsigned char>(head.at(3));
    if (family < 'A' || family > 'W')
        return -1;
    if (letter >= 128)
        return family == 'W' ? 0 : -1;
    return kMotorolaLengthTable.length[family - 'A'][letter];
}

void GpsSerialPortThread::AppendProtocolChecksum(QByteArray& cmd)
{
    if (cmd.startsWith('$'))
        AppendNmeaChecksum(cmd);
    else if (cmd.size() >= 2 && static_cast<unsigned char>(cmd.at(0)) == 0xB5 && cmd.at(1) == 'b')
        AppendUbxChecksum(cmd);
    else if (cmd.startsWith("@@"))
        AppendMotorolaChecksum(cmd);
}
