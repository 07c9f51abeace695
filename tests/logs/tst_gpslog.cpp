// The GPS data log: its header, the writers and their gates, the period, closing, the
// refusals and failures, and the new day's file.

#include "gpslogtypedialog.h"
#include "gpsnavdialog.h"
#include "logtests.h"

class TestGpsLog : public QObject
{
    Q_OBJECT

    static QHash<QString, QVariant> Keys(int type, int every = 0, const QString& prefix = "GPS")
    {
        return {{"LogFiles/GPSLogType", type}, {"LogFiles/GPSLogEvery", every}, {"LogFiles/GPSLogPrefix", prefix}};
    }

private slots:
    void cleanup() { PcTime::SetFixedUtc(QDateTime()); }

    void headerAndNmeaColumns_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("lines");  // from the type line to the reference location
        QTest::addColumn<bool>("bColumns");
        QTest::newRow("Motorola NMEA, PVT") << 1 << 2 << QByteArray("PVT\n; Receiver: UT+, Motorola NMEA") << true;
        QTest::newRow("u-blox NMEA, PVT") << 10 << 2 << QByteArray("PVT\n; Receiver: UT+, u-blox NMEA") << true;
        QTest::newRow("Motorola Binary, PVT") << 2 << 2 << QByteArray("PVT\n; Receiver: UT+, Motorola Binary") << false;
        QTest::newRow("Generic NMEA, RAW") << 6 << 0 << QByteArray("RAW\n; Receiver: UT+, Generic NMEA") << false;
    }
    void headerAndNmeaColumns()
    {
        QFETCH(int, mode);
        QFETCH(int, type);
        QFETCH(QByteArray, lines);
        QFETCH(bool, bColumns);
        LogWindow lw(Keys(type));
        receiverInfo.gpsPortMode = mode;
        receiverInfo.receiverModel = 9;
        lw.w->utcOffsetSecs = 18;
        QVERIFY(lw.w->OpenGpsLog());
        lw.w->gpsLogFile.flush();
        const QString name = type == 2 ? "GPS2024366.csv" : "GPS2024366.txt";
        QCOMPARE(lw.Files(), QStringList{name});
        const QByteArray header = "; Horalux GPS Data Log\n; Version " HORALUX_VERSION
                                  "\n; Opened 31-Dec-2024 23:59:58 UTC\n; Log type: " + lines +
                                  "\n; GPS-UTC offset: 18 s\n; Reference location: " +
                                  lw.w->gpsNavDialog->FormatPositionCsv(4).toUtf8() + "\n;\n";
        const QByteArray columns = "time,lat_deg,lat_min,lat_dir,long_deg,long_min,long_dir,quality,no_tracked,HDOP,"
                                   "height_msl,height_units,geoid_sep,geoid_sep_units,DGPS_age,DGPS_Ref_Stn_id\n";
        QCOMPARE(lw.Read(name), header + (bColumns ? columns : QByteArray()));
    }

    // BINARY and RINEX keep raw messages, every type keeps decoder text, and nothing is
    // written in a second that is not logged.
    void writersKeepOnlyLoggedSeconds()
    {
        LogWindow lw(Keys(1));
        QVERIFY(lw.w->OpenGpsLog());
        const qint64 headerSize = lw.w->gpsLogFile.size();
        MainWindow& w = *lw.w;
        for (bool bLogged : {false, true}) {
            w.bLogThisSecond = bLogged;
            w.LogGpsMessage("@@Cj");
            w.LogGpsMessage(QByteArray());
            w.WriteGpsLogText("a\r\nb\n\n");
            w.WriteGpsLogText(QString());
            w.gpsLogTypeDialog->gpsLogType = 4;  // RINEX keeps only position, channel and time messages
            w.LogGpsMessage("@@Cj");
            w.LogGpsMessage("@@Bo\x01");
            w.gpsLogTypeDialog->gpsLogType = 1;
        }
        w.CloseGpsLog(true);
        QCOMPARE(lw.Read("GPS2024366.bin").mid(headerSize, 20), QByteArray("@@Cj\x29\r\na\nb\n@@Bo\x01\x2c\r\n;"));
    }

    void periodAndStatusRecords_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("every");
        QTest::addColumn<int>("logged");  // seconds logged of twenty
        QTest::addColumn<QByteArrayList>("lines");  // all the data lines, when given
        QTest::newRow("RAW every 10 s") << 0 << 3 << 2
            << QByteArrayList{"2024-12-31,12:00:00,0000.0000,N,00000.0000,E,0,-1,-1,0,0",
                              "2024-12-31,12:00:10,0000.0000,N,00000.0000,E,0,-1,-1,0,0"};
        QTest::newRow("NMEA every 15 s") << 3 << 4 << 2
            << QByteArrayList{"$GPGGA,120000.00,0000.0000,N,00000.0000,E,0,00,,0.0,M,0.0,M,,*70",
                              "$GPGGA,120015.00,0000.0000,N,00000.0000,E,0,00,,0.0,M,0.0,M,,*74"};
        QTest::newRow("out-of-range choice: every second") << 0 << 12 << 20 << QByteArrayList();
        QTest::newRow("PVT: no status record") << 2 << 0 << 20 << QByteArrayList();
    }
    void periodAndStatusRecords()
    {
        QFETCH(int, type);
        QFETCH(int, every);
        QFETCH(int, logged);
        QFETCH(QByteArrayList, lines);
        LogWindow lw(Keys(type, every));
        QCOMPARE(QSettings().value("LogFiles/GPSLogEvery").toInt(), every == 12 ? 0 : every);  // written back
        QVERIFY(lw.w->OpenGpsLog());
        int seconds = 0;
        for (int s = 0; s < 20; ++s) {
            lw.Second(Utc(2024, 12, 31, 12, 0, s));
            seconds += lw.w->bLogThisSecond;
        }
        QCOMPARE(seconds, logged);
        lw.w->CloseGpsLog(true);
        const QList<QByteArray> data = DataLines(lw.Read(lw.Files().value(0)));
        QCOMPARE(data.size(), type == 2 ? 0 : logged);
        if (!lines.isEmpty())
            QCOMPARE(data, lines);
        lw.Second(Utc(2024, 12, 31, 12, 0, 30));
        QVERIFY(!lw.w->bLogThisSecond);  // no log, no logged second
    }

    // "No" keeps the log; "Yes" closes it with its trailer. A later opening appends.
    void closingAndReopening()
    {
        LogWindow lw(Keys(0));
        ModalWatcher watcher(QMessageBox::No);
        watcher.SetDialogHandler(PressOk);
        QAction* close = lw.w->ui->actionClose_GPS_Data_Log;
        QVERIFY(!close->isEnabled());
        lw.w->ui->actionNew_GPS_Data_Log->trigger();
        QCOMPARE(watcher.dialogs, QStringList{"GpsLogTypeDialog"});
        QVERIFY(close->isEnabled());
        close->trigger();
        QCOMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes[0].text, "Are you sure you want to close this GPS Log file?");
        QVERIFY(lw.w->gpsLogFile.isOpen());
        watcher.SetAnswer(QMessageBox::Yes);
        close->trigger();
        QVERIFY(!lw.w->gpsLogFile.isOpen() && !close->isEnabled());
        const QByteArray trailer = "; Closed GPS Data Log 31-Dec-2024 23:59:58 UTC\n; \n";
        QVERIFY(lw.Read("GPS2024366.txt").endsWith(";\n" + trailer));
        lw.w->ui->actionOpen_GPS_Data_Log->trigger();
        lw.w->ui->actionNew_GPS_Data_Log->trigger();  // the same file, never truncated
        lw.w->CloseGpsLog(true);
        const QByteArray log = lw.Read("GPS2024366.txt");
        QCOMPARE(log.count("; Horalux GPS Data Log\n"), 3);
        QCOMPARE(log.count(trailer), 3);
        QCOMPARE(watcher.boxes.size(), 2);
    }

    void refusedPrefixAndUnusableFolder()
    {
        LogWindow lw(Keys(0, 0, "../x"));
        ModalWatcher watcher;
        lw.w->ui->actionOpen_GPS_Data_Log->trigger();
        QVERIFY(watcher.boxes.value(0).text.contains("\"../x\" is refused"));
        QVERIFY(lw.Files().isEmpty() && !QFile::exists(lw.dir.filePath("../x2024366.txt")));

        // A folder below a plain file can never be made, not even by root.
        QFile plain(lw.dir.filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        LogWindow::Set("LogFiles/GPSLogPrefix", "GPS");
        LogWindow::Set("LogFiles/GPSLogFolder", lw.dir.filePath("plain/logs"));
        lw.w->ui->actionOpen_GPS_Data_Log->trigger();
        QCOMPARE(watcher.boxes.size(), 2);
        QVERIFY(watcher.boxes[1].text.startsWith("Cannot open the log file"));
        QVERIFY(!lw.w->gpsLogFile.isOpen() && !lw.w->ui->actionClose_GPS_Data_Log->isEnabled());
    }

    // The last second of the year closes GPS2024366 and the first opens GPS2025001.
    void newDayNewFile()
    {
        LogWindow lw(Keys(0));
        QVERIFY(lw.w->OpenGpsLog());
        lw.Second(Utc(2024, 12, 31, 23, 59, 59));
        lw.Second(Utc(2025, 1, 1, 0, 0, 0));
        lw.w->CloseGpsLog(true);
        QCOMPARE(lw.Files(), QStringList({"GPS2024366.txt", "GPS2025001.txt"}));
        const QByteArray old = lw.Read("GPS2024366.txt");
        QVERIFY(DataLines(old).size() == 1 && DataLines(old)[0].startsWith("2024-12-31,23:59:59,"));
        QVERIFY(old.endsWith("\n; Closed GPS Data Log 01-Jan-2025 00:00:00 UTC\n; \n"));
        const QByteArray now = lw.Read("GPS2025001.txt");
        QVERIFY(now.startsWith("; Horalux GPS Data Log\n; Version " HORALUX_VERSION "\n; Opened 01-Jan-2025 00:00:00 UTC\n"));
        QVERIFY(DataLines(now).size() == 1 && DataLines(now)[0].startsWith("2025-01-01,00:00:00,"));
    }

    // A new day's file that cannot be had leaves the lines in the old one, said once.
    void failuresReportedOnce()
    {
        LogWindow lw(Keys(0));
        QVERIFY(lw.w->OpenGpsLog());
        QVERIFY(QDir(lw.dir.path()).mkdir("GPS2025001.txt"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("GPS2025001"));
        int reports = 0;
        for (int s = 0; s < 3; ++s) {
            lw.Second(Utc(2025, 1, 1, 0, 0, s));
            reports += lw.w->statusBar()->currentMessage().contains("GPS2025001");
            lw.w->statusBar()->clearMessage();
        }
        QCOMPARE(reports, 1);
        lw.w->CloseGpsLog(true);
        QCOMPARE(DataLines(lw.Read("GPS2024366.txt")).size(), 3);

        // A full disk: the first failed write is reported, the next ones are not.
        lw.w->gpsLogFile.setFileName("/dev/full");
        QVERIFY(lw.w->gpsLogFile.open(QIODevice::WriteOnly));
        lw.w->bLogThisSecond = true;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("/dev/full"));
        for (int round = 0; round < 2; ++round) {
            lw.w->statusBar()->clearMessage();
            for (int k = 0; k < 2000; ++k)
                lw.w->WriteGpsLogText(QString(40, 'x'));
            QCOMPARE(lw.w->statusBar()->currentMessage().contains("/dev/full"), round == 0);
        }
        lw.w->gpsLogFile.close();
    }
};

HORALUX_TEST(TestGpsLog);
#include "tst_gpslog.moc"
