#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <QSet>
#include <QSoundEffect>
#include <QString>
#include <QTimer>
#include <QVersionNumber>

#include <cstdint>
#include <optional>
#include <utility>

#include "gpsserialportthread.h"
#include "logfile.h"
#include "passingnotes.h"
#include "pulsetimecheck.h"
#include "receiverrate.h"
#include "receiverinfo.h"
#include "receiverlinkwatch.h"
#include "receivertimecheck.h"
#include "satelliterecord.h"
#include "settingsstore.h"
#include "ticcorrection.h"
#include "ticserialportthread.h"
#include "utcdatetime.h"

namespace Nmea {
enum class ReceivedDate;
struct Time;
}

class QActionGroup;
class QCloseEvent;
class QLabel;
class QProgressBar;
class QPushButton;
class QShortcut;

class GpsNavDialog;
class GpsLogTypeDialog;
class GpsPortDialog;
class GpsRawDataDialog;
class GpsRxDialog;
class GpsRxIdDialog;
class ManualCommandDialog;
class ReferenceLocationDialog;
class SatAzElChartDialog;
class SatelliteSelect;
class SetPcClockDialog;
class TelnetLink;
class TelnetTcpServer;
class TicFileDialog;
class TicPortDialog;
class TicProcessedDataDialog;
class TicRawDataDialog;
class TimingDialog;
struct ReceiverCommand;
struct RemoteCommand;
struct ReceiverSetup;

namespace Ui {
class MainWindow;
}

// The hub of the program and its data model. Every subsystem reads and writes the
// shared fields below on the GUI thread; member definitions live in the folder of the
// subsystem that owns them.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // ---- Application shell: owned objects, in declaration order ----
    Ui::MainWindow* ui;
    QString clockTexts[8];
    // Entry 3: the big-clock text, which the TIC readings write in the TIC clock modes.
    QString& ticClockText = clockTexts[3];
    QPushButton* satSortButtons[4] = {};
    QProgressBar* signalBars[16] = {};
    QLabel* antennaBadge = nullptr;
    QLabel* navigationBadge = nullptr;
    QLabel* ntpIndicator = nullptr;
    QLabel* heartbeatIndicator = nullptr;
    QLabel* statusMessageLabel = nullptr;
    QPixmap ledOffPixmap;
    QPixmap ledOnPixmap;
    QPixmap ntpOffPixmap;
    QPixmap ntpOnPixmap;
    QVersionNumber programVersion;
    GpsSerialPortThread gpsPortThread;
    TicSerialPortThread ticPortThreads[8];
    GpsRawDataDialog* gpsRawDataDialog = nullptr;
    TicRawDataDialog* ticRawDataDialog = nullptr;
    TicProcessedDataDialog* ticProcessedDataDialog = nullptr;
    GpsPortDialog* gpsPortDialog = nullptr;
    GpsNavDialog* gpsNavDialog = nullptr;
    GpsRxDialog* gpsRxDialog = nullptr;
    TimingDialog* timingDialog = nullptr;
    SetPcClockDialog* setPcClockDialog = nullptr;
    SatAzElChartDialog* satAzElChartDialog = nullptr;
    ReferenceLocationDialog* referenceLocationDialog = nullptr;
    ManualCommandDialog* manualCommandDialog = nullptr;
    GpsLogTypeDialog* gpsLogTypeDialog = nullptr;
    GpsRxIdDialog* gpsRxIdDialog = nullptr;
    SatelliteSelect* satelliteSelect = nullptr;
    TelnetLink* telnetLink = nullptr;
    TicPortDialog* ticPortDialog = nullptr;
    TicFileDialog* ticFileDialog = nullptr;
    UtcDateTime displayTime;
    UtcDateTime receiverTime;
    QDateTime pcTimeSample;
    QSoundEffect secondTickSound;
    QSoundEffect minuteTickSound;
    QSoundEffect warnTickSound;
    SatelliteRecord satellites[256];
    SatelliteRecord satelliteDisplayTable[256];
    SatelliteRecord spareSatelliteRecords[16];
    SatelliteRecord emptySatelliteRecord;
    QActionGroup* clockDisplayGroup = nullptr;
    QActionGroup* navFormatGroup = nullptr;
    QActionGroup* soundGroup = nullptr;
    QShortcut* helpShortcut = nullptr;
    QShortcut* remoteShortcut = nullptr;
    LogFile gpsLogFile;
    LogFile ticAverageLogs[8];
    LogFile ticTimeLogs[8];
    LogFile ticCombinedLog;
    QByteArray lastTicAverageLine;
    QByteArray lastTicTimeLine;
    TelnetTcpServer* telnetServer = nullptr;

    // ---- Application shell: shared scalar state, in declaration order ----
    bool bGpsSearchActive = true;
    int ppsInterface = 0;
    bool bTicPortStale[8];
    int ticDataAge[8];
    int messageHoldoff[4];
    int navDataFormat = 0;
    bool bLoadFirmwareMode = false;
    // The PC clock's error against the receiver's second, ms, positive when the PC is
    // ahead; none while no receiver second is known.
    std::optional<int64_t> pcClockOffsetMs;
    bool bConfigReplyPending = true;
    int64_t pcSyncMaxInterval = 0;
    bool bPcClockWasSet = false;
    int pcSyncMode = 0;
    bool bPcSyncOnDelta = false;
    int pcSyncDeltaMs = 0;
    bool bPpsAwaitingTime[3];
    bool bZdaTimeThisSecond = false;
    bool bTimeMessageSeen = false;
    bool bOutOfLock = true;
    bool bTickSound = false;
    bool bOutOfLockSound = false;
    uint8_t traimParameters[5];
    int timeAccuracyNs = 0;
    double sawtoothNs = 0.0;
    bool bSawtoothValid = false;
    int antennaState = -1;
    int clockDisplayMode = 0;
    int dgpsState = 0;
    int utcOffsetSecs = 0;
    int leapSecondPending = -1;
    bool bAnswerReceived[14];
    bool bLogThisSecond = false;
    int ticTimeTagFormat = 2;
    int ticLogStyle = 1;
    int ticTimeLogPeriod = 1;
    int ticAveragingPeriod = 300;
    bool bGpsRawDataVisible = false;
    bool bTicRawDataVisible = false;
    bool bTicProcessedDataVisible = false;
    bool bShuttingDown = false;
    int satelliteSortMode = 4;
    int ticTimeStreamMode = 0;
    int ticAverageStreamMode = 0;

    // Set once Exit is chosen or the window is closed; main() then never enters, or
    // leaves, its event loop, even when this happened inside the start-up search.
    bool bExitRequested = false;
    // Stops the program as File, Exit does, for a stop that does not come from the menu.
    void RequestExit();

    // ---- Application shell: settings ----
    void RestoreMainWindowSettings();
    void SaveWindowSettings();
    // The settings store is written whole when a key changed: once a dialog or menu has
    // closed, after a remote CONFIG, at start-up, when the window closes, and within
    // kSettingsWatchMs of a key set by anything else. A store that cannot be written is a
    // lasting note ("Settings not saved: <file> (<reason>)"), and written again every
    // kSettingsRetryMs until it holds every key; one that cannot be read is never
    // written ("Settings not read: <file> (<reason>), running on defaults").
    static constexpr int kSettingsRetryMs = 5000;
    static constexpr int kSettingsWatchMs = 250;
    QLabel* settingsNoteLabel = nullptr;
    QString settingsNote;
    QTimer settingsWriteTimer;
    QTimer settingsWatchTimer;
    SettingsStore settingsStore;
    void QueueSettingsWrite();
    void WriteSettingsStore();

    // ---- Application shell: clock display, badges and position hand-off ----
    void UpdateClockDisplay();
    // The time panels as at start-up, until the next receiver gives its time.
    void ClearClockDisplay();
    // The "Cur:", "Avg:" and "Ref:" rows; a row with no position yet stays empty.
    void ShowPositionRows();
    QString FormatTimeStamp() const;
    void ShowAntennaStatus(int state);
    void ShowNavigationStatus(int status);
    void AddPositionSample(double latitude, double longitude, double altGps, double altMsl);
    static QByteArray TakeFirstField(QByteArray& text, QByteArray defaultValue);

    // ---- Application shell: satellite table ----
    void SetSatelliteSortMode(int mode);
    void UpdateSatelliteTable();
    // The text of a row's signal bar: constellation, SBAS satellite and status flags.
    static QString SatelliteBarText(const SatelliteRecord& record, int portMode);

    // ---- Application shell: menu commands and status bar ----
    void StartTicSerialPorts();
    void RestartGpsSerialPort();
    // Notes that stay on show, each in a label of its own, for as long as they are true:
    // the receiver date that the PC clock is not set from, a PC clock that cannot be set,
    // and the counters' links.
    QLabel* clockGuardLabel = nullptr;
    QLabel* clockSetLabel = nullptr;
    QLabel* ticLinkLabel = nullptr;
    // What is said of each TIC port's link: a failure until the counter is back, the
    // return until ticBackNotes ends it.
    QString ticLinkNotes[8];
    void ShowTicLinkNotes();

    // ---- Receiver link: start-up, receiver search and set-up ----
    void ShowAndInitialize();
    void InitializeGpsReceiverOrWarn();
    bool InitializeGpsReceiver();
    bool SearchReceiver(int& mode);
    bool ProbeMotorolaNmea(int& mode);
    bool ProbeReceiverType(int mode);
    bool SearchUbloxReceiver(int& mode);
    void ClearReceiverIdentity();
    // The receiver menu commands are off while a search or set-up runs: one of them
    // started from a wait's event loop would run a second sequence inside the first.
    void BeginReceiverWork();
    void EndReceiverWork();
    int receiverWorkDepth = 0;

    // ---- Receiver link: what the status bar says about the link ----
    // A port that is not open, a silent receiver or data the interface mode cannot read is
    // said in its own label, which stands in for the identity line while it has something
    // to say; the badges go to unknown meanwhile and show again what they showed with the
    // next message.
    QLabel* receiverLinkLabel = nullptr;
    ReceiverLinkWatch receiverLinkWatch;
    QTimer receiverLinkTimer;  // without a 1PPS line nothing else ticks
    void CheckReceiverLink();
    void ShowReceiverLinkText();
    void OnGpsPortDown(const QString& text);
    void OnGpsPortBack(const QString& note);
    void OnGpsPortOpened();
    // A 1PPS line that cannot be read: said in a label of its own until it is read again.
    QLabel* ppsLineLabel = nullptr;
    void OnPpsLineNote(const QString& text);
    // Bytes from the port, and a message framed from them.
    void OnGpsBytesReceived();
    void ReceiverHeard();
    void HoldBadges();
    int navigationBadgeState = -1;  // what the badges show, as given to ShowNavigationStatus
    int antennaBadgeState = -1;     // and ShowAntennaStatus
    int heldNavigationState = -1;   // what they showed when the link went quiet
    int heldAntennaState = -1;
    bool bBadgesHeld = false;
    // The receiver was to be set up while its port was not open: done when it opens.
    bool bInitializeWhenPortOpens = false;
    // Nothing of an earlier receiver stays on show: its satellites, badges, fix texts and
    // time offsets. Another port or mode also clears its position, counts and clock.
    void ClearReceiverDisplay();
    void ForgetPreviousReceiver();

    // ---- Receiver link: initialisation sequences ----
    void InitializeReceiver();
    void SendTimingParameters();
    void SendReceiverPosition();
    void SendDateTimeToReceiver();
    QByteArray MakeTraimCommand(int channelCount);
    int localTimeOffsetMinutes = 0;  // min, local time minus UTC, for a receiver on local time
    // The values a set-up sequence is built from, as they stand now.
    ReceiverSetup GatherReceiverSetup() const;

    // ---- Receiver link: commands and their answers ----
    // Entries of bAnswerReceived: the answer each awaited command waits for.
    enum AnswerFlag {
        AnswerBa, AnswerBn, AnswerBh, AnswerCj, AnswerEa, AnswerEn, AnswerHa, AnswerHn,
        AnswerWb, AnswerPmotg, AnswerPgrm, AnswerGpalm, AnswerLoran, AnswerMonVer
    };
    bool SendCommandAndWait(QByteArray cmd);
    bool WaitForReceiverAnswer();
    bool CheckLoranAnswer(QByteArray text);
    // The raw data window's line for a command sent; empty for a command not echoed.
    static QString CommandEcho(const QByteArray& cmd, bool bTkAsText);
    int answerWaitStepMs = 2500;  // one answer-wait step; the time-outs scale with it
    int commandPauseMs = 100;     // pause after each command sent

    // ---- Receiver message decoding ----
    void OnClockTick();
    QString DecodeMotorolaBinary(const QByteArray& msg);
    bool DecodeNmeaSentence(const QByteArray& sentence);
    QString DecodeUbxMessage(const QByteArray& msg);
    // The entries of bPpsAwaitingTime: every decoder's time message answers the first,
    // "$GPZDA" and "$GPRMC" their own as well.
    enum AwaitingTime { AwaitingAnyTime = 0, AwaitingZda = 1, AwaitingRmc = 2 };
    // Every decoder's time message hands over its time here, with what its date came to,
    // the time of day as the message gave it, and the entry of bPpsAwaitingTime that it
    // answers; with bAdvance the receiver time moves on to the second that the next tick
    // marks. A date out of range comes with its text (Nmea::DateText), for the note that
    // says why the PC clock is not set.
    void TakeReceiverTime(Nmea::ReceivedDate received, const QDateTime& utc, const Nmea::Time& time,
                          AwaitingTime awaiting, bool bAdvance, const QString& dateText = QString());
    // The second the last time message taken named (its instant, invalid for a date out
    // of range, and its second of the day), and when it came (on the steady clock of
    // receiverTimeCheck): a receiver sends several time messages in one second (ZDA and
    // RMC, NAV-TIMEUTC and RMC, in either order), and the second is taken once, by the
    // first.
    QDateTime takenUtc;
    int takenSecondOfDay = -1;
    int64_t takenAtMs = 0;
    // Whether the receiver sends its time once a second or several times: the second a
    // time names goes by it, in every protocol.
    ReceiverRate receiverRate;

    // The UTC second of the message being decoded, as its decoder read it; invalid while
    // it carries none. The GPS log's records of the message are of that second.
    QDateTime gpsRecordUtc;
    // The last NAV-TIMEUTC's UTC second and time of week (ms): the other NAV messages'
    // time of week gives their second from it.
    QDateTime ubxUtcAtTow;
    uint32_t ubxTowAtUtc = 0;

    // ---- Receiver message decoding: Motorola binary ----
    // Big-endian field readers; a field outside the message reads as 0.
    static uint32_t GetMotorolaUInt32(const QByteArray& msg, int offset);
    static uint32_t GetMotorolaUInt24(const QByteArray& msg, int offset);
    static double GetMotorolaUInt24AsDouble(const QByteArray& msg, int offset);
    // A signed byte of whole seconds and the signed 32-bit nanoseconds after it.
    static double GetMotorolaSecondsNanoseconds(const QByteArray& msg, int offset);
    // GPS week (not folded at 1024) and second of the week to a GPS calendar date.
    static void GpsWeekSecondsToCalendar(unsigned int week, int seconds, uint8_t& second,
                                         uint8_t& minute, uint8_t& hour, uint8_t& day,
                                         uint8_t& month, int& year);
    // Every tick sound goes through here; tests put a counter in its place.
    std::function<void(QSoundEffect& sound)> playTickSound = [](QSoundEffect& sound) { sound.play(); };

    // ---- Timing corrections and PC clock ----
    void ApplyPcClockSyncSettings();
    // The receiver time that the PC clock work saw at its previous run. The clock is set
    // only from a receiver time that moved since: one that a time message has just given,
    // not one left stale by a missed message or still the PC's own before the first.
    QDateTime pcSyncLastReceiverTime;
    // The receiver second (one a tick stood in for included) that the PC clock work last
    // knew: a top of the minute, hour or day between it and the next falls due there.
    QDateTime pcSyncLastSecond;
    // The date of the last time message when it was out of range, as the message gave it;
    // empty when the message gave a time. The held time that such messages move on a
    // second each changes every second, but the receiver never gave it.
    QString receiverDateOutOfRange;
    // Each time a message gave, held against the one before: only a time that follows
    // its predecessor sets the PC clock.
    ReceiverTimeCheck receiverTimeCheck;
    // Each time a message gave, held against the 1PPS edge before it: with a pulse, a
    // tick sets the PC clock only from a time that named the second of the pulse before.
    PulseTimeCheck pulseTimeCheck;
    // How far into its second the PC time was sampled (pcTimeSample): the time since the
    // pulse's edge at a tick, 0 at a time message.
    int64_t pcSampleIntoSecondMs = 0;
    // The PC's time (ms since the epoch) at the start of the second last sampled: at a
    // tick, its pulse's edge; none where the PC could not be read.
    std::optional<int64_t> PcAtSecondStartMs() const;
    // The PC clock's error against the receiver's second given (a record's stamp), from
    // the PC's time at that second's start; none where the second is not the receiver's.
    std::optional<int64_t> PcClockOffsetAgainst(const QDateTime& second, std::optional<int64_t> pcAtStartMs) const;
    // A set fell due and could not be made at its second (an edge missed, a time message
    // lost or late, a time that does not belong to its pulse, a pulse in doubt): the next
    // second that can set makes it. The second it fell due at, and when (steady ms).
    bool bPcSetOwed = false;
    QDateTime pcSetOwedSince;
    int64_t pcSetOwedAtMs = 0;
    // Owes the set that fell due at dueUtc (invalid: a second not known), and says it
    // once it has waited kClockSetOwedNoteMs, with what it waits for.
    void OweClockSet(const QDateTime& dueUtc, const QString& waitsFor);
    static constexpr int64_t kClockSetOwedNoteMs = 10000;
    // A failed set of the PC clock was said in the debug log; later failures stay quiet
    // there until a set succeeds or the settings are applied again.
    bool bPcClockSetFailReported = false;
    // A set refused by the largest correction was said in the debug log; said again only
    // after a set or a new application of the settings.
    bool bPcLimitReported = false;
    // The clock guard: a receiver date before the build day (a receiver past a GPS week
    // rollover counts 1024 weeks short) or more than 1024 weeks after it is never set.
    // The note that says so, or empty for a plausible date.
    static QString ClockGuardNote(const QDate& receiverDate, const QDate& builtOn);
    // Shows the note until the receiver's date is plausible again; its start is said in
    // the debug log too.
    void ShowClockGuardNote(const QString& note);

    // ---- Time interval counters ----
    // One reading of port 1 to 8 (text without the port number): corrections,
    // averages, the log and remote lines, the windows and the TIC clock.
    void ProcessTicText(int port, const QByteArray& text);
    // A raw reading (µs) of port 1 to 8 with the sawtooth latched for that port (used
    // once), less the late 1PPS offset, folded into [-500000, 500000) µs.
    double CorrectTicReading(int port, double rawUs);
    // Each sawtooth value the receiver reports is latched here for every port, so
    // that each port corrects one reading with it.
    bool bTicSawtoothPending[8] = {};
    double ticSawtoothNs[8] = {};   // ns, as reported
    TicAverager ticAveragers[8];    // the current block of corrected readings, µs
    int ticReadingsSinceTimeLine[8] = {};
    // The port whose reading the "TIC (usec)" panel (and the TIC clock) shows, 0 for
    // none. Once that port's data is stale the panel is blanked, after each tick.
    int ticPanelPort = 0;
    void BlankStaleTicPanel();
    void ShowTicPanelText(const QString& value);
    // Ends each counter's return note at its own time.
    PassingNotes ticBackNotes{8, [this](int k) {
        ticLinkNotes[k].clear();
        ShowTicLinkNotes();
    }};

    // ---- Data logs and remote control ----
    void LogGpsMessage(QByteArray msg);
    void WriteGpsLogText(QString text);
    void LogConfigurationText(QString text);
    void LogStatusRecord();
    bool FlushTicLogs();
    void CloseTicLogs(bool noAsk);
    void CloseGpsLog(bool noAsk);
    // The TIC processing's lines for port 1 to 8: into that port's T or A file of the
    // open TIC set (after a day roll-over check); nothing while no set is open.
    // tagUtc is the instant the line's tag names (none: the tag of now).
    void WriteTicTimeLine(int port, const QByteArray& line, const QDateTime& tagUtc = QDateTime());
    void WriteTicAverageLine(int port, const QByteArray& line, const QDateTime& tagUtc = QDateTime());
    // Opens the port's T and A files of the open set when they are not open yet.
    void OpenTicPortLogs(int port);
    QString configurationBuffer;
    QByteArray lastBufferedConfiguration;  // the last text kept, as lines
    // The receiver model and interface mode the GPS log's header last named; -1 while
    // no header of ours did.
    std::pair<int, int> gpsLogHeaderReceiver{-1, -1};
    // The last second the log step decided on, the receiver's own name for it (a leap
    // second held as 23:59:59 with bGpsLogLeapSecond): the GPS log's records belong to
    // it, and each second is decided once.
    QDateTime gpsLogSecond;
    bool bGpsLogLeapSecond = false;
    // Ticks that came with no time message since the receiver's last one: each proves a
    // second passed, and the clock shown stands in with the second after.
    int secondsStoodIn = 0;
    // A counter reading's lines (T, A, combined files, remote streams, the processed
    // data window), kept while its tick may be a leap second no time has named yet, as
    // the tag is the one thing they wait for.
    struct TicOutput
    {
        int port = 0;
        double correctedUs = 0.0;
        double rawUs = 0.0;
        bool bTimeLine = false;
        std::optional<TicAverager> average;  // the block the reading completed
        QString shown;                       // the processed data window's text after the tag
        UtcDateTime tagTime;                 // the second it was taken for when it came
    };
    // The ticks whose second no time has named yet, by when each came (SteadyMSecs),
    // with the PC's time at each one's start, which its record's PC offset is measured
    // against: the second's first time message that follows the run names it; a tick
    // that got none stands in, at the next tick, for the second after the last decided.
    // bStatusRecordOwed says that some wait; cleared (a receiver forgotten), they are
    // forgotten with it, and the TIC lines they held written as they came.
    struct UndecidedTick
    {
        int64_t steadyMs = 0;
        std::optional<int64_t> pcAtStartMs;
        QList<TicOutput> heldTic;
    };
    QList<UndecidedTick> undecidedTicks;
    bool bStatusRecordOwed = false;
    // The log step's halves: a tick, and a time message that named its second.
    void LogTickSecond();
    void LogNamedSecond(const QDateTime& named);
    // The oldest undecided tick stands in for the second after the last decided, while
    // the receiver's time was fresh at that tick; bLeap makes it the leap second.
    void StandInForTick(bool bLeap = false);
    // The second decided: the day of the logs and its status record, whose PC offset is
    // measured from the PC's time at the second's start (none: the column stays empty).
    void DecideLogSecond(const QDateTime& second, bool bLeap, std::optional<int64_t> pcAtStartMs);
    // Keeps the reading's lines with the undecided tick they follow while a leap second
    // may be next and the tag is the receiver's; false: they are to be written now.
    bool HoldTicOutput(const TicOutput& out);
    // Writes held lines tagged with the second decided, or (none) the one they were
    // taken for when they came; DropUndecidedTick forgets the oldest tick, undecided.
    void WriteHeldTic(const QList<TicOutput>& held, const QDateTime& decided = QDateTime(), bool bLeap = false);
    void DropUndecidedTick();
    void WriteAllHeldTic();
    void WriteTicOutput(const TicOutput& out, const UtcDateTime& tagTime);
    // Whether the second after the last decided may be a leap second (the last is
    // 23:59:59 of a month's last day): it waits for the receiver's next time to say.
    bool MayBeLeapSecondNext() const;
    // A time message named 23:59:60 (a decoder's, that has no instant for it): after
    // 23:59:59 of a month's last day it decides the tick's second as the leap second.
    void LogLeapSecondNamed();
    // The second the logs are at now: the last decided, moved on by the ticks since.
    QDateTime LogSecondNow(bool* bLeap = nullptr) const;
    // Open today's files from the stored settings, appending under a new header; no box
    // is shown: a refusal or failure is returned in error.
    bool OpenGpsLog(QString* error = nullptr);
    bool OpenTicLogs(QString* error = nullptr);
    // The time the logs go by (UTC): the receiver's while one came in the last
    // kReceiverTimeFreshMs, else the PC's; its date is the day of the files.
    QDateTime CurrentLogClock() const;
    static constexpr int64_t kReceiverTimeFreshMs = 2000;
    bool ReceiverTimeFresh() const;
    // Whether that clock is the receiver's now.
    bool LogClockIsReceivers() const;
    // The time the TIC lines and the configuration log are tagged with: the displayed
    // receiver time while fresh, else the PC's UTC.
    UtcDateTime LogTagTime() const;
    bool LogTagIsReceivers() const;
    // The instant a TIC or configuration line's tag names: its file is that day's, and a
    // line lost is counted at it.
    QDateTime TicTagUtc() const;
    // The day a log may move to by utc: none while the receiver's last time jumped.
    QDate LogDayOf(const QDateTime& utc) const;
    bool ReceiverTimeJumped() const;
    // The day a TIC or configuration line with that tag goes to: a tag of the PC clock
    // names its day whatever the receiver's time does.
    QDate TicDayOf(const QDateTime& tagUtc) const;
    // The time a record carries, when it places the record: a time lying within
    // kRecordNearMs of the receiver time that followed last (its decoder rounded its
    // seconds as the receiver time's); invalid otherwise (the record goes by the log's
    // second).
    QDateTime RecordPlacingTime(const QDateTime& recordUtc) const;
    static constexpr int64_t kRecordNearMs = 2000;
    // A new day's files for an open log when the log clock's day is another, as the
    // day rule of the GPS log file or of the combined TIC file lets it; an invalid day
    // leaves them where they are.
    void CheckGpsLogDay(const QDate& clockDay);
    void CheckTicLogsDay(const QDate& clockDay);
    // Why the GPS log or the TIC log set cannot be written now; empty while it can.
    QString GpsLogProblem() const;
    QString TicLogsProblem() const;
    // Every open log file made again when its path no longer leads to it.
    void CheckOpenLogs();
    // The lasting note of the logs not written ("GPS log not written: GPS2024366.txt
    // (File too large)"), shown while one is.
    QLabel* logNoteLabel = nullptr;
    QString logNoteSaid;  // the note as the debug log last had it
    void ShowLogNote();

    // ---- Remote control ----
    // The reply to one checked command line of the remote client; empty when the command
    // is not answered (a TIC stream switch).
    QByteArray AnswerRemoteCommand(const QByteArray& line);
    QByteArray RefLocReply() const;
    QByteArray SetRemoteRefLocation(const QList<QByteArray>& fields);
    QByteArray RemoteLogCommand(const RemoteCommand& command);
    QByteArray RemoteLogConfig(const RemoteCommand& command);
    // What the remote-control server does now, for its dialog.
    QString RemoteServerStatus() const;
    // Starts, restarts or stops the server as the link dialog's values say.
    void ApplyTelnetLink();
    // The lasting note of a link that cannot listen, and of its return.
    QLabel* remoteLinkLabel = nullptr;

    // ---- Receiver message decoding: NMEA ----
    // The last accepted sentence of each id that has a duplicate filter: an exact
    // repeat of it is taken without being decoded again.
    QString lastZdaSentence;
    QString lastGsaSentence;
    QString lastGsvSentence;
    QString lastGllSentence;
    QString lastRmcSentence;
    QString lastVtgSentence;
    QString lastPgrmtSentence;
    QString lastPgrmiSentence;
    QString lastPgrmcSentence;
    QString lastPgrmoSentence;
    // The handlers get the fields after the id and its comma, or (GSA and GSV) the
    // whole sentence, without the checksum; each returns whether its fields passed.
    bool DecodeNmeaZda(QByteArray body);
    bool DecodeNmeaRmc(QByteArray body, bool* bSkipTail);
    bool DecodeNmeaGga(QByteArray body, QString* pvtLogText);
    bool DecodeNmeaGsa(const QByteArray& sentence);
    bool DecodeNmeaGsv(const QByteArray& sentence);
    // The Garmin sentences ("$PGRMT", "$PGRMI", "$PGRMC", "$PGRMO"), told apart by the
    // id's last letter: their texts to the receiver-identification window.
    void DecodeNmeaGarmin(char letter, QByteArray body, QString* configurationText);

signals:
    void sendGpsMessage(QByteArray message);
    void startGpsSerialPort(bool bLoadFirmwareMode);
    void startTicSerialPort1(int port);
    void startTicSerialPort2(int port);
    void startTicSerialPort3(int port);
    void startTicSerialPort4(int port);
    void startTicSerialPort5(int port);
    void startTicSerialPort6(int port);
    void startTicSerialPort7(int port);
    void startTicSerialPort8(int port);

public slots:
    // ---- Application shell ----
    void showErrorMessageBox(QString errmsg);
    void setDefaultStatusTipText(QString message);
    void ResetHeartbeat();
    void ResetNtpIndicator();

    // ---- Receiver link ----
    void SendGpsMessage(QByteArray message);

    // ---- Time interval counters ----
    void OnNewTicText(QByteArray s);
    void OnTicLinkStatus(int iTicPort, bool bLinkUp, QString text);

    // ---- Data logs and remote control ----
    void OnTelnetCommand(QByteArray qbComand);

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    // ---- Application shell: menu commands ----
    void actionExit_triggered();
    void actionCopy_triggered();
    void actionSet_TIC_Interface_triggered();
    void actionView_Satellite_Az_El_Chart_triggered();
    void actionGps_Raw_Data_triggered();
    void actionReceiver_ID_Message_triggered();
    void actionTic_Raw_Data_triggered();
    void actionTic_Processed_Data_triggered();
    void actionfrom_Average_triggered();
    void actionfrom_Current_triggered();
    void actionManual_Entry_triggered();
    void actionAveraging_Parameters_triggered();
    void actionManual_GPS_Receiver_Commands_triggered();
    void actionManual_Satellite_Select_triggered();
    void actionSend_new_firmware_to_GPS_Rx_triggered();
    void actionDisable_triggered();
    void actionSNTP_Server_RFC_2030_triggered();
    void actionUDP_IP_Server_RFC_868_triggered();
    void actionHelp_Topics_triggered();
    void actionAbout_triggered();
    void TelnetLinkInterface();

    // ---- Application shell: view menu choices ----
    void actionToolbar_triggered();
    void actiondegrees_dd_ddd_triggered();
    void actiondegrees_minutes_dd_mm_mmm_triggered();
    void actiondegrees_minutes_seconds_dd_mm_ss_sss_triggered();
    void actionSoundAll_triggered();
    void actionSoundOutOfLockOnly_triggered();
    void actionSoundClockTicksOnly_triggered();
    void actionSoundNone_triggered();
    void actionUTC_triggered();
    void actionPC_triggered();
    void actionGMST_triggered();
    void actionLMST_triggered();
    void actionMJD_triggered();
    void actionPC_U_triggered();
    void actionTIC_triggered();
    void actionTIC_Raw_triggered();

    // ---- Application shell: satellite table ----
    void SatSortBtn_PRN_pressed(bool);
    void SatSortBtn_El_pressed(bool);
    void SatSortBtn_Azm_pressed(bool);
    void SatSortBtn_EbNo_pressed(bool);

    // ---- Receiver link: menu commands ----
    void actionSet_GPS_Receiver_Interface_triggered();
    void actionSet_Timing_Parameters_triggered();
    void actionSet_GPS_Receiver_Parameters_triggered();
    void actionInitiate_GPS_Receiver_Self_Test_triggered();
    void actionInitiate_GPS_Receiver_Self_Survey_triggered();

    // ---- Receiver message decoding ----
    void OnNewGpsText(QByteArray s);

    // ---- Timing corrections and PC clock ----
    void actionSet_PC_Clock_triggered();

    // ---- Data logs ----
    void actionNew_GPS_Data_Log_triggered();
    void actionOpen_GPS_Data_Log_triggered();
    void actionClose_GPS_Data_Log_triggered();
    void actionNew_TIC_Data_Log_triggered();
    void actionOpen_TIC_Data_Log_triggered();
    void actionClose_TIC_Data_Log_triggered();

private:
    // ---- Receiver link: the steps of InitializeGpsReceiver ----
    void SetUpUbloxReceiver(int mode, int entryRate, bool& bResult, bool& bUbloxFailed);
    bool SetUpMotorolaReceiver(int mode, int entryRate);
    void ReopenGpsPortAt(int rate);
    // Exit was chosen or the window closed: a search stops where it is.
    bool SearchMustEnd() const { return bExitRequested || bShuttingDown; }

    void BuildStatusBar();
    void BuildPositionTable();
    void BuildSatelliteTable();
    void ConnectEverything();
    void SetClockDisplayMode(int mode);
    void SetNavDataFormat(int format);
    void SetSoundChoice(bool tick, bool outOfLock);
    // Sends a TIC line to the remote client as "$VUDUZ," + body + line + "*hh", in
    // stream mode 1 (once, then off) or 2; with no client the stream is switched off.
    void StreamTicLine(const char* body, const QByteArray& line, int& streamMode);

    // ---- Receiver link: the one sender of the set-up sequences ----
    void SendSetupSequence(const QList<ReceiverCommand>& commands, const ReceiverSetup& setup);

    // ---- The two halves of LogStatusRecord ----
    void SyncPcClockThisSecond();   // timing/: samples the PC time, sets the clock when due
    void LogStatusThisSecond();     // logs/: decides bLogThisSecond, writes the status record

    // ---- Data logs: files ----
    QList<LogFile*> LogFiles();
    // What the log files say goes to the debug log, the status bar and the note.
    void ConnectLogFiles();
    void SayOfLogs(const QString& text, bool bWarning);
    void CloseTicFiles(const LogFile::Trailer& trailer);
    bool OpenTicFiles(const QDate& day, QString* error);
    void WriteTicLine(LogFile& file, const QByteArray& line, const QDateTime& tagUtc);
    // Every GPS log record goes through here: one from a receiver or interface mode other
    // than the one the file's header last named gets the header's receiver lines first.
    // False when it was lost.
    bool WriteGpsLogRecord(const QByteArray& record, const QDateTime& recordUtc = QDateTime());
    void UpdateLogActions();
    void CopyTicFileDialogValues();
};

// Styles of the satellite-table sort buttons: the one that sorts, and the others.
extern const char* const kSortButtonActiveStyle;
extern const char* const kSortButtonPlainStyle;
