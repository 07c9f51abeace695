#pragma once

#include <QDateTime>
#include <QString>

// The navigation state and the position averaging of the station, with no widget:
// GpsNavDialog is this engine plus its window, and the tests drive the engine alone.
class AveragingEngine
{
public:
    // The three differences kept for each component of an error term.
    enum ErrorPair { RefAvg, AvgCur, RefCur, PairCount };
    // Components in the order of the error table's columns.
    enum ErrorComponent { North, East, Horizontal, AltitudeGps, AltitudeMsl, ComponentCount };

    struct ErrorTerm
    {
        double difference = 0.0;  // metres
        double meanSquare = 0.0;  // weighted mean of the squared difference
        double rms = 0.0;         // its square root
    };

    // What one step changed that an open window should show.
    enum ShowFlag : unsigned {
        ShowTimingCounter = 1u << 0,
        ShowTimeAccuracy = 1u << 1,
        ShowPositionCounter = 1u << 2,
        ShowRmsCounter = 1u << 3,
        ShowErrorTable = 1u << 4,
        ShowDopWeightingOff = 1u << 5,
    };

    enum class LockChange { None, Locked, Unlocked };

    static constexpr double kMaxFilterCount = 999999.0;
    static constexpr double kMetresPerDegree = 111111.1;

    // Navigation state pushed by the decoders; a value out of range is ignored.
    void SetDops(double gdop, double pdop, double hdop, double vdop, double tdop);
    void SetNavMode(int mode);
    void SetSatellitesUsed(int n);
    void SetSpeed(double knots);
    void SetHeading(double degrees);
    void SetFixStatus(int code);

    int GetNavMode() const { return navMode; }
    int GetSatellitesUsed() const { return satellitesUsed; }
    double GetSpeed() const { return speedKnots; }
    double GetHeading() const { return headingDegrees; }
    int GetFixStatus() const { return fixStatus; }
    double GetGeoidSeparation() const { return currentAltGps - currentAltMsl; }
    void GetCurrentPosition(double* lat, double* lon, double* altGps, double* altMsl) const;
    void GetAveragedPosition(double* lat, double* lon, double* altGps, double* altMsl) const;

    // Receiver-specific timing error components behind the time accuracy estimate.
    void SetReceiverErrorTerms(double a, double b);  // ns, one sigma each

    // Locks when enough satellites are used for gpsMode; nowUtc stamps the lock.
    LockChange UpdateLockStatus(int gpsMode, const QDateTime& nowUtc);
    static int SatellitesNeededForLock(int gpsMode);

    // Stores the fix, runs one step and returns the fix's grid locator. The step's
    // display needs are ORed into *shows when given.
    QString AddNavSample(double lat, double lon, double altGps, double altMsl, int gpsMode,
                         unsigned* shows = nullptr);
    unsigned AveragingStep(int gpsMode);
    void ResetAverages();
    // Another receiver is to be heard: its fix, DOPs and counts are not known yet.
    void ForgetReceiverFix();
    // The operator chose another port or mode: the receiver heard next may stand
    // elsewhere and time otherwise, so the position, altitude, error terms, Tsigma, lock
    // and counters start again from its first fix. The reference stays: it is the
    // antenna's surveyed place, not a receiver's.
    void RestartForAnotherReceiver();

    // The averages in the settings store under "GpsNavDialog/Averaging Data/".
    void LoadAverages();
    void SaveAverages() const;
    // Takes the next number off the front of text; 0.0 and false when there is none.
    static bool ParseNumber(QString& text, double* value);

    static void ClampFilterCount(double* count, double limit);
    // Weight of a sample of the given DOP under the weighting value.
    double DopWeight(double weightingValue, double dop) const;
    // Running weighted average; a counter of 0 or less leaves the value alone.
    static double RunningAverage(double oldValue, double sample, double count, double weight);

    // The Motorola binary receivers but the VP give DOPs that are no use as weights.
    static bool DopWeightingUnsupported();

    QString MaidenheadLocator() const;
    QString FormatPosition(int format) const;
    QString FormatPositionCsv(int format) const;
    QString FormatPositionNmea(int format) const;
    QString DopText() const;

    // Text of cell (row, column) of the error table, rows 1-6 and columns 1-5.
    QString ErrorTableText(int row, int column) const;
    // "%i" of a counter's whole part.
    static QString CountText(double count);

    bool bUseDopWeighting = false;
    double vdopWeight = 2.0;
    double tdopWeight = 1.5;
    double hdopWeight = 1.5;
    double positionFilterLimit = 28800.0;
    double rmsFilterLimit = 86400.0;
    double timingFilterLimit = 28800.0;
    int unlockCount = 0;
    QString timeAccuracyText;
    QString lockedSinceText;
    double positionFilterCount = 1.0;
    double altitudeFilterCount = 1.0;
    double rmsFilterCount = 1.0;
    double timingFilterCount = 1.0;
    bool bRestartOnUnlock = false;
    bool bContinueOnRestart = true;
    bool bLocked = false;

    int navMode = 0;
    double currentLat = 0.0;
    double currentLon = 0.0;
    double currentAltGps = 0.0;
    double currentAltMsl = 0.0;
    double averagedLat = 0.0;
    double averagedLon = 0.0;
    double averagedAltGps = 0.0;
    double averagedAltMsl = 0.0;
    double tsigmaAverage = 0.0;
    double timingSigma1Ns = 500.0;
    double timingSigma2Ns = 500.0;
    double timingVariance = 500000.0;
    double tsigma = 0.0;
    double tsigmaMax = 0.0;
    double tsigmaMin = 0.0;
    int satellitesUsed = -1;
    double speedKnots = -1.0;
    double headingDegrees = -1.0;
    int fixStatus = -1;
    // The current position is one the receiver sent, not the zeros of no receiver.
    bool bFixReceived = false;
    // The averages hold a position: averaged fixes, or stored ones.
    bool bAverageHeld = false;

    ErrorTerm errorTerms[ComponentCount][PairCount];

    double refLat = 0.0;
    double refLon = 0.0;
    double refAltGps = 0.0;
    double refAltMsl = 0.0;
    bool bRefLocOnStart = false;

    double gdop = 0.0;
    double pdop = 0.0;
    double hdop = 0.0;
    double vdop = 0.0;
    double tdop = 0.0;

    bool bRestartPending = false;
    double metresPerDegreeLon = kMetresPerDegree;
    double metresPerDegreeLat = kMetresPerDegree;

    // The previous step was locked, so the no-timing-solution text is still owed.
    bool bHadTimingSolution = false;
    // The previous step ran the position filters.
    bool bPositionAveraging = false;

    // The averaged position := the latest fix.
    void TakeCurrentAsAverage();

private:
    static void SetDifferences(ErrorTerm* terms, double ref, double averaged, double current, double scale);
    // Adds the term's squared difference to its mean square, the weight cut to the RMS counter.
    void AddSquare(ErrorTerm& term, double weight);
    void UpdateHorizontalTerms(double weight);
    void UpdateAltitudeTerms(double weight);
};
