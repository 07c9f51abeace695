#include "averagingengine.h"

#include "maidenhead.h"
#include "positiontexts.h"
#include "receiverinfo.h"

#include <QDebug>
#include <QRegularExpression>
#include <QSettings>

#include <climits>
#include <cmath>

namespace {

constexpr int kReceiverModelVp = 10;

// The blank-separated numbers of each "Averages - " key.
const char* const kAveragesPositionKey = "GpsNavDialog/Averaging Data/Averages - Position";
const char* const kAveragesWeightsKey = "GpsNavDialog/Averaging Data/Averages - Weights";
// Mean-square keys, in the order they are stored and by the component each holds.
struct MeanSquareKey
{
    const char* key;
    AveragingEngine::ErrorComponent component;
};
const MeanSquareKey kMeanSquareKeys[] = {
    {"GpsNavDialog/Averaging Data/Averages - RMS Lat", AveragingEngine::North},
    {"GpsNavDialog/Averaging Data/Averages - RMS Lng", AveragingEngine::East},
    {"GpsNavDialog/Averaging Data/Averages - RMS 2D", AveragingEngine::Horizontal},
    {"GpsNavDialog/Averaging Data/Averages - RMS Msl", AveragingEngine::AltitudeMsl},
    {"GpsNavDialog/Averaging Data/Averages - RMS Alt", AveragingEngine::AltitudeGps},
};

// A stored number that is not finite would spread into every later average.
double TakeStoredNumber(QString& text)
{
    double value = 0.0;
    AveragingEngine::ParseNumber(text, &value);
    return std::isfinite(value) ? value : 0.0;
}

double NotNegative(double value)
{
    return value < 0.0 ? 0.0 : value;
}

QString JoinedNumbers(std::initializer_list<double> values)
{
    QString text;
    for (double value : values) {
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += QString::asprintf("%018.16f", value);
    }
    return text;
}

double CutTo(double weight, double count)
{
    return weight <= count ? weight : count;
}

}  // namespace

void AveragingEngine::SetDops(double g, double p, double h, double v, double t)
{
    if (g >= 0.0)
        gdop = g;
    if (p >= 0.0)
        pdop = p;
    if (h >= 0.0)
        hdop = h;
    if (v >= 0.0)
        vdop = v;
    if (t >= 0.0)
        tdop = t;
}

void AveragingEngine::SetNavMode(int mode)
{
    navMode = mode;
}

void AveragingEngine::SetSatellitesUsed(int n)
{
    if (n >= 0)
        satellitesUsed = n;
}

void AveragingEngine::SetSpeed(double knots)
{
    if (knots >= 0.0)
        speedKnots = knots;
}

void AveragingEngine::SetHeading(double degrees)
{
    if (degrees >= 0.0)
        headingDegrees = degrees;
}

void AveragingEngine::SetFixStatus(int code)
{
    if (code >= -1)
        fixStatus = code;
}

void AveragingEngine::GetCurrentPosition(double* lat, double* lon, double* altGps, double* altMsl) const
{
    *lat = currentLat;
    *lon = currentLon;
    *altGps = currentAltGps;
    *altMsl = currentAltMsl;
}

void AveragingEngine::GetAveragedPosition(double* lat, double* lon, double* altGps, double* altMsl) const
{
    *lat = averagedLat;
    *lon = averagedLon;
    *altGps = averagedAltGps;
    *altMsl = averagedAltMsl;
}

void AveragingEngine::SetReceiverErrorTerms(double a, double b)
{
    timingSigma1Ns = a;
    timingSigma2Ns = b;
    timingVariance = a * a + b * b;
}

int AveragingEngine::SatellitesNeededForLock(int gpsMode)
{
    switch (gpsMode) {
    case 0:  // 3D
    case 1:  // 2D
        return 3;
    case 2:  // position hold
        return 1;
    default:
        return 0;
    }
}

AveragingEngine::LockChange AveragingEngine::UpdateLockStatus(int gpsMode, const QDateTime& nowUtc)
{
    const int needed = SatellitesNeededForLock(gpsMode);
    const bool enough = needed == 0 || satellitesUsed >= needed;
    if (enough == bLocked)
        return LockChange::None;
    bLocked = enough;
    if (enough) {
        lockedSinceText = nowUtc.toUTC().toString(QStringLiteral("dd-MMM-yyyy HH:mm:ss")) + " UTC";
        return LockChange::Locked;
    }
    ++unlockCount;
    return LockChange::Unlocked;
}

QString AveragingEngine::AddNavSample(double lat, double lon, double altGps, double altMsl, int gpsMode,
                                      unsigned* shows)
{
    currentLat = lat;
    currentLon = lon;
    currentAltGps = altGps;
    currentAltMsl = altMsl;
    bFixReceived = true;
    const unsigned stepShows = AveragingStep(gpsMode);
    if (shows)
        *shows |= stepShows;
    return MaidenheadLocator();
}

void AveragingEngine::ClampFilterCount(double* count, double limit)
{
    // A limit below 1 would leave a counter of 0, the divisor of every average.
    if (!(limit >= 1.0))
        limit = 1.0;
    if (limit > *count)
        *count += 1.0;
    else
        *count = limit;
    if (*count > kMaxFilterCount)
        *count = kMaxFilterCount;
}

double AveragingEngine::DopWeight(double weightingValue, double dop) const
{
    if (!bUseDopWeighting || !(dop > 0.0))
        return 1.0;
    const double ratio = weightingValue / dop;
    return ratio * ratio;
}

double AveragingEngine::RunningAverage(double oldValue, double sample, double count, double weight)
{
    if (!(count > 0.0))
        return oldValue;
    return (oldValue * (count - weight) + sample * weight) / count;
}

bool AveragingEngine::DopWeightingUnsupported()
{
    return (receiverInfo.gpsPortMode == GpsPortModeMotorolaBinary
            || receiverInfo.gpsPortMode == GpsPortModeMotorolaBinaryRxOnly)
        && receiverInfo.receiverModel != kReceiverModelVp;
}

unsigned AveragingEngine::AveragingStep(int gpsMode)
{
    unsigned shows = 0;
    if (!bLocked) {
        if (bRestartOnUnlock && !bRestartPending) {
            ResetAverages();
            if (DopWeightingUnsupported())
                shows |= ShowDopWeightingOff;
        }
        if (bHadTimingSolution) {
            timeAccuracyText = QStringLiteral("No Timing Solution. Not enough satellites tracked.");
            shows |= ShowTimeAccuracy;
            bHadTimingSolution = false;
        }
        return shows;
    }

    bHadTimingSolution = true;
    ClampFilterCount(&timingFilterCount, timingFilterLimit);
    shows |= ShowTimingCounter;
    const double timingWeight = CutTo(DopWeight(tdopWeight, tdop), timingFilterCount);

    if (satellitesUsed < 1) {
        timeAccuracyText.clear();
    } else {
        const double k = gpsMode == 0 ? 4.0 : gpsMode == 1 ? 3.0 : 1.0;
        const double n = satellitesUsed;
        const double f = n > k ? (n - k + 0.5) / k : 0.5 / k;
        tsigma = std::sqrt(timingVariance / f);
        tsigmaAverage = RunningAverage(tsigmaAverage, tsigma, timingFilterCount, timingWeight);
        tsigmaMax = tsigmaMax <= 0.0 ? tsigma : std::fmax(tsigmaMax, tsigma);
        tsigmaMin = tsigmaMin <= 0.0 ? tsigma : std::fmin(tsigmaMin, tsigma);
        timeAccuracyText = QString::asprintf("Tsigma %03.0f nsec (max %3.0f, average %3.0f, min %3.0f)",
                                             tsigma, tsigmaMax, tsigmaAverage, tsigmaMin);
    }
    shows |= ShowTimeAccuracy;

    // Averages that hold no position start from this fix: blended with the zeros they
    // hold, the first fixes would pull the average towards 0 degrees.
    if (bRestartPending || !bAverageHeld) {
        bRestartPending = false;
        TakeCurrentAsAverage();
    }

    const bool positionFix = navMode == 2 || navMode == 3;
    // One last pass with the last fix runs after the fix dimension has dropped.
    if (!bPositionAveraging && !positionFix)
        return shows;

    ClampFilterCount(&positionFilterCount, positionFilterLimit);
    if (navMode == 3)
        ClampFilterCount(&altitudeFilterCount, positionFilterLimit);
    ClampFilterCount(&rmsFilterCount, rmsFilterLimit);
    shows |= ShowPositionCounter | ShowRmsCounter;

    const double positionWeight = CutTo(DopWeight(hdopWeight, hdop), positionFilterCount);
    averagedLat = RunningAverage(averagedLat, currentLat, positionFilterCount, positionWeight);
    averagedLon = RunningAverage(averagedLon, currentLon, positionFilterCount, positionWeight);
    UpdateHorizontalTerms(positionWeight);

    if (navMode == 3) {
        const double altitudeWeight = CutTo(DopWeight(vdopWeight, vdop), altitudeFilterCount);
        averagedAltGps = RunningAverage(averagedAltGps, currentAltGps, altitudeFilterCount, altitudeWeight);
        averagedAltMsl = RunningAverage(averagedAltMsl, currentAltMsl, altitudeFilterCount, altitudeWeight);
        UpdateAltitudeTerms(altitudeWeight);
    }

    bAverageHeld = true;
    bPositionAveraging = positionFix;
    if (!bPositionAveraging)
        qDebug("Averaging just stopped with one pass after Nav set to 0D\n");
    return shows | ShowErrorTable;
}

void AveragingEngine::SetDifferences(ErrorTerm* terms, double ref, double averaged, double current, double scale)
{
    terms[RefAvg].difference = (ref - averaged) * scale;
    terms[AvgCur].difference = (averaged - current) * scale;
    terms[RefCur].difference = (ref - current) * scale;
}

void AveragingEngine::AddSquare(ErrorTerm& term, double weight)
{
    term.meanSquare = RunningAverage(term.meanSquare, term.difference * term.difference, rmsFilterCount,
                                     CutTo(weight, rmsFilterCount));
    term.rms = std::sqrt(term.meanSquare);
}

void AveragingEngine::UpdateHorizontalTerms(double weight)
{
    SetDifferences(errorTerms[North], refLat, averagedLat, currentLat, metresPerDegreeLat);
    SetDifferences(errorTerms[East], refLon, averagedLon, currentLon, metresPerDegreeLon);
    for (int pair = 0; pair < PairCount; ++pair) {
        ErrorTerm& north = errorTerms[North][pair];
        ErrorTerm& east = errorTerms[East][pair];
        ErrorTerm& horizontal = errorTerms[Horizontal][pair];
        horizontal.difference = std::sqrt(north.difference * north.difference + east.difference * east.difference);
        AddSquare(north, weight);
        AddSquare(east, weight);
        // The distance is spread evenly over the fixes, whatever their DOP.
        AddSquare(horizontal, 1.0);
    }
}

void AveragingEngine::UpdateAltitudeTerms(double weight)
{
    SetDifferences(errorTerms[AltitudeGps], refAltGps, averagedAltGps, currentAltGps, 1.0);
    SetDifferences(errorTerms[AltitudeMsl], refAltMsl, averagedAltMsl, currentAltMsl, 1.0);
    for (int pair = 0; pair < PairCount; ++pair) {
        AddSquare(errorTerms[AltitudeGps][pair], weight);
        AddSquare(errorTerms[AltitudeMsl][pair], weight);
    }
}

void AveragingEngine::TakeCurrentAsAverage()
{
    averagedLat = currentLat;
    averagedLon = currentLon;
    averagedAltGps = currentAltGps;
    averagedAltMsl = currentAltMsl;
    bAverageHeld = bFixReceived;
}

void AveragingEngine::ForgetReceiverFix()
{
    bFixReceived = false;
    currentLat = currentLon = currentAltGps = currentAltMsl = 0.0;
    navMode = 0;
    satellitesUsed = fixStatus = -1;
    speedKnots = headingDegrees = -1.0;
    SetDops(0.0, 0.0, 0.0, 0.0, 0.0);
}

void AveragingEngine::RestartForAnotherReceiver()
{
    ForgetReceiverFix();
    ResetAverages();
    // The pass owed after a dropped fix dimension was the previous receiver's.
    bPositionAveraging = false;
    timeAccuracyText.clear();
    // Its lock is not the new receiver's, and losing it is not a loss to count.
    bLocked = false;
    lockedSinceText.clear();
}

void AveragingEngine::ResetAverages()
{
    TakeCurrentAsAverage();
    positionFilterCount = 1.0;
    altitudeFilterCount = 1.0;
    rmsFilterCount = 1.0;
    timingFilterCount = 1.0;
    for (auto& component : errorTerms) {
        for (ErrorTerm& term : component)
            term = ErrorTerm();
    }
    tsigmaAverage = 0.0;
    tsigma = -1.0;
    tsigmaMax = -1.0;
    tsigmaMin = -1.0;
    unlockCount = 0;
    bRestartPending = true;
    if (DopWeightingUnsupported())
        bUseDopWeighting = false;
}

bool AveragingEngine::ParseNumber(QString& text, double* value)
{
    static const QRegularExpression number(
        QStringLiteral("(^|[ \\t])([-+]?([0-9]+\\.[0-9]*|\\.[0-9]+|[0-9]+))"));
    text = text.trimmed();
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch()) {
        *value = 0.0;
        return false;
    }
    *value = match.captured(2).toDouble();
    text.remove(0, match.capturedEnd(0));
    return true;
}

void AveragingEngine::LoadAverages()
{
    QSettings settings;
    QString text = settings.value(kAveragesPositionKey).toString();
    averagedLat = TakeStoredNumber(text);
    averagedLon = TakeStoredNumber(text);
    averagedAltGps = TakeStoredNumber(text);
    averagedAltMsl = TakeStoredNumber(text);
    // An engine stopped before its first fix stores zeros, which are no position.
    bAverageHeld = averagedLat != 0.0 || averagedLon != 0.0 || averagedAltGps != 0.0 || averagedAltMsl != 0.0;

    // A negative counter would count up through 0, the divisor of every average.
    text = settings.value(kAveragesWeightsKey).toString();
    positionFilterCount = NotNegative(TakeStoredNumber(text));
    altitudeFilterCount = NotNegative(TakeStoredNumber(text));
    rmsFilterCount = NotNegative(TakeStoredNumber(text));
    timingFilterCount = NotNegative(TakeStoredNumber(text));

    // A negative mean square has no square root.
    for (const MeanSquareKey& stored : kMeanSquareKeys) {
        text = settings.value(stored.key).toString();
        for (ErrorTerm& term : errorTerms[stored.component])
            term.meanSquare = NotNegative(TakeStoredNumber(text));
    }

    if (DopWeightingUnsupported())
        bUseDopWeighting = false;
}

void AveragingEngine::SaveAverages() const
{
    QSettings settings;
    settings.setValue(kAveragesPositionKey,
                      JoinedNumbers({averagedLat, averagedLon, averagedAltGps, averagedAltMsl}));
    settings.setValue(kAveragesWeightsKey, JoinedNumbers({positionFilterCount, altitudeFilterCount,
                                                          rmsFilterCount, timingFilterCount}));
    for (const MeanSquareKey& stored : kMeanSquareKeys) {
        const ErrorTerm* terms = errorTerms[stored.component];
        settings.setValue(stored.key, JoinedNumbers({terms[RefAvg].meanSquare, terms[AvgCur].meanSquare,
                                                     terms[RefCur].meanSquare}));
    }
}

QString AveragingEngine::MaidenheadLocator() const
{
    return ::MaidenheadLocator(currentLat, currentLon);
}

QString AveragingEngine::FormatPosition(int format) const
{
    return PositionTexts::FormatRich(format, averagedLat, averagedLon, averagedAltGps, averagedAltMsl);
}

QString AveragingEngine::FormatPositionCsv(int format) const
{
    if (format == 4)
        return PositionTexts::FormatCsv(refLat, refLon, refAltGps, refAltMsl);
    return PositionTexts::FormatRich(format, refLat, refLon, refAltGps, refAltMsl);
}

QString AveragingEngine::FormatPositionNmea(int format) const
{
    if (format == 3)
        return PositionTexts::FormatNmea(currentLat, currentLon);
    return PositionTexts::FormatRich(format, currentLat, currentLon, currentAltGps, currentAltMsl);
}

QString AveragingEngine::DopText() const
{
    return PositionTexts::DopText(gdop, pdop, hdop, vdop, tdop);
}

QString AveragingEngine::ErrorTableText(int row, int column) const
{
    if (row < 1 || row > 2 * PairCount || column < 1 || column > ComponentCount)
        return QString();
    const ErrorTerm& term = errorTerms[column - 1][(row - 1) / 2];
    const double value = row % 2 == 1 ? term.difference : term.rms;
    return QString::asprintf(column - 1 == Horizontal ? "%8.2f" : "%7.2f", value);
}

QString AveragingEngine::CountText(double count)
{
    // Only a counter loaded from the store and not yet stepped can be out of range.
    const double whole = std::isfinite(count) ? std::trunc(count) : 0.0;
    const int shown = whole >= INT_MAX ? INT_MAX : whole <= INT_MIN ? INT_MIN : static_cast<int>(whole);
    return QString::asprintf("%i", shown);
}
