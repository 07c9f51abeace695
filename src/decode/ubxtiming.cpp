// UBX timing messages (1PPS sawtooth, survey-in, oscillator) and the leap-second
// announcement of the receiver's UTC parameters.

#include "mainwindow.h"

#include "ubxhandlers.h"

using namespace UbxDecoder;

namespace {

constexpr int kSurveying = 2;

}  // namespace

void UbxDecoder::DecodeTimTp(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    // The quantisation error of the next pulse, in ps; positive means the pulse comes
    // late. The TIC readings are corrected by it.
    const int32_t qErr = S32(msg, 8);
    w.sawtoothNs = qErr / 1000.0;
    w.bSawtoothValid = true;
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf("towMS = %u, towSubMS = %u, qErr = %i, week = %u, flags = %u, res = %u",
                                           U32(msg, 0), U32(msg, 4), qErr, unsigned(U16(msg, 12)),
                                           unsigned(U8(msg, 14)), unsigned(U8(msg, 15))));
}

void UbxDecoder::DecodeTimSvin(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    if (U8(msg, 25) != 0)
        w.ShowNavigationStatus(kSurveying);
    if (DetailWanted(w)) {
        const auto yesNo = [](uint8_t b) { return b ? "true" : "false"; };
        SetDetail(texts, QString::asprintf("Passed survey-in observation = %u sec, position observations = %u sec, "
                                           "valid = %s, active = %s",
                                           U32(msg, 0), U32(msg, 20), yesNo(U8(msg, 24)), yesNo(U8(msg, 25))));
    }
}

void UbxDecoder::DecodeTimDosc(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf("ver = %u, D/A value = %u", unsigned(U8(msg, 0)), U32(msg, 4)));
}

UbxDecoder::LeapSecondState UbxDecoder::LeapSecondFromUtcParameters(unsigned utcLs, unsigned utcWnf, unsigned utcDn,
                                                                    unsigned utcLsf, unsigned validFlags, int year,
                                                                    int month, int pendingBefore)
{
    // The event's day as whole weeks and seconds into the last one: the day number
    // times a day's seconds would not fit an int.
    uint8_t second = 0, minute = 0, hour = 0, day = 0, eventMonth = 0;
    int eventYear = 0;
    MainWindow::GpsWeekSecondsToCalendar(utcWnf + utcDn / 7, int(utcDn % 7) * 86400, second, minute, hour, day,
                                         eventMonth, eventYear);

    LeapSecondState state;
    state.leapSecondPending = pendingBefore;
    unsigned comparedLsf = 0;
    if ((validFlags & 0x07) != 0x07) {
        state.leapSecondPending = -1;
    } else {
        comparedLsf = utcLsf;
        if (eventYear < year || (eventYear == year && eventMonth <= month)) {
            state.utcOffsetSecs = int(utcLsf);
            state.leapSecondPending = -1;
        } else {
            state.utcOffsetSecs = int(utcLs);
            if (utcLsf > utcLs)
                state.leapSecondPending = 1;
            else if (utcLsf < utcLs)
                state.leapSecondPending = 2;
        }
    }

    const int nextMonth = month == 12 ? 1 : month + 1;
    const int nextMonthsYear = month == 12 ? year + 1 : year;
    if (eventYear == nextMonthsYear && eventMonth == nextMonth) {
        const unsigned offset = unsigned(state.utcOffsetSecs);
        state.ntpLeapIndicator = comparedLsf > offset ? 1 : comparedLsf < offset ? 2 : 3;
    }
    return state;
}

void UbxDecoder::DecodeAidHui(MainWindow& w, const QByteArray& msg, UbxTexts& texts)
{
    const unsigned utcLs = U16(msg, 26), utcWnf = U16(msg, 28), utcDn = U16(msg, 30), utcLsf = U16(msg, 32);
    const unsigned flags = U8(msg, 68);
    const LeapSecondState state = LeapSecondFromUtcParameters(utcLs, utcWnf, utcDn, utcLsf, flags, w.displayTime.Year(),
                                                              w.displayTime.Month(), w.leapSecondPending);
    w.utcOffsetSecs = state.utcOffsetSecs;
    w.leapSecondPending = state.leapSecondPending;
    if (DetailWanted(w))
        SetDetail(texts, QString::asprintf(" ... utcLS = %u, utcWNF = %u, utcDN = %u, utcLSF = %u ... valid = 0x%2.2x "
                                           "-->> LS Pending = %d, NTP Leap Indicator = %d",
                                           utcLs, utcWnf, utcDn, utcLsf, flags, state.leapSecondPending,
                                           state.ntpLeapIndicator));
}
