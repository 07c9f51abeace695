// The TIC log set: its files, the configuration log and its buffer, the lines of the
// TIC processing, the new day and closing.

#include "logtests.h"

class TestTicLogs : public QObject
{
    Q_OBJECT

    // Ports 1 and 3 are in use; the others are "OFF".
    static QHash<QString, QVariant> Keys(int style = 1, int tag = 3)
    {
        return {{"LogFiles/TicLogStyle", style}, {"LogFiles/TicTimeTagFormat", tag},
                {"LogFiles/TicLogPrefix", "TIC"}};
    }
    static void UsePorts()
    {
        LogWindow::Set("TicPortDialog/TIC1 Serial Port", "/dev/counter1");
        LogWindow::Set("TicPortDialog/TIC3 Serial Port", "TCP/IP");
    }

private slots:
    // The TIC processing's lines reach their port's T and A files and the combined file.
    void filesOfTheEnabledPortsAndTheirLines()
    {
        LogWindow lw(Keys(2, 0));
        UsePorts();
        LogWindow::Set("LogFiles/TicAveragingPeriod", 2);
        MainWindow& w = *lw.w;
        w.ticTimeTagFormat = 3;  // no tag on the entry kept before the set opens
        w.LogConfigurationText("@@Cj identity\r\nsecond line\n\n");
        ModalWatcher watcher;
        watcher.SetDialogHandler(PressOk);
        w.ui->actionNew_TIC_Data_Log->trigger();
        QCOMPARE(watcher.dialogs, QStringList{"TicFileDialog"});
        QCOMPARE(lw.Files(), QStringList({"TIC2024366A1.txt", "TIC2024366A3.txt", "TIC2024366C.txt",
                                          "TIC2024366T1.txt", "TIC2024366T3.txt"}));
        QCOMPARE(QString::asprintf("%d %d %d", w.ticLogStyle, w.ticTimeTagFormat, w.ticAveragingPeriod), "2 0 2");
        QVERIFY(w.configurationBuffer.isEmpty());
        w.ticTimeTagFormat = 3;
        w.OnNewTicText("1 0.000025");
        QVERIFY(!lw.Read("TIC2024366A1.txt").contains("25.0"));
        w.OnNewTicText("1 0.000035");
        for (int bad : {0, 9, -1})
            w.WriteTicTimeLine(bad, "never");
        w.ticTimeTagFormat = 1;
        w.receiverTime.SetDateTime(Utc(2024, 12, 31, 18, 0, 0));
        w.displayTime = w.receiverTime;
        w.LogConfigurationText("@@Cj again");
        w.CloseTicLogs(true);
        QVERIFY(!w.ui->actionClose_TIC_Data_Log->isEnabled());

        const QByteArray trailer = "; Closed TIC Data Logs 31-Dec-2024 18:00:00 UTC\n; \n";
        const QByteArray times = "1\t\t25.000000\t25.000000\n1\t\t35.000000\t35.000000\n";
        const QByteArray average = "1\t\t30.000000\t7.071068\t25.000000\t35.000000\t2\n";
        const QByteArray c = lw.Read("TIC2024366C.txt");
        QVERIFY(c.startsWith("; Horalux TIC Data Log, combined\n; Version " HORALUX_VERSION
                             "\n; Opened 31-Dec-2024 23:59:58 UTC\n; Time tag: year and day of year with fraction\n"));
        QVERIFY(c.endsWith(";\n@@Cj identity\nsecond line\n" + times + average
                           + "60675.75000 @@Cj again\n" + trailer));
        QVERIFY(lw.Read("TIC2024366T1.txt").contains("\n; Port: TIC1, /dev/counter1\n"));
        QVERIFY(lw.Read("TIC2024366T1.txt").endsWith(";\n" + times + trailer));
        QVERIFY(lw.Read("TIC2024366A1.txt").endsWith(";\n" + average + trailer));
        QVERIFY(lw.Read("TIC2024366T3.txt").endsWith(";\n" + trailer));
        w.WriteTicTimeLine(1, "after closing");
        QVERIFY(!lw.Read("TIC2024366T1.txt").contains("after closing"));
    }

    void bufferFlushedAfterTheHeader_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("19999") << 19999;
        QTest::newRow("20000") << 20000;
        QTest::newRow("20001") << 20001;
    }
    void bufferFlushedAfterTheHeader()
    {
        QFETCH(int, size);
        LogWindow lw(Keys());
        lw.w->ticTimeTagFormat = 3;
        lw.w->LogConfigurationText(QString(size - 1, 'c'));
        QVERIFY(lw.w->OpenTicLogs());
        lw.w->CloseTicLogs(true);
        const QByteArray kept = size <= 20000 ? QByteArray(size - 1, 'c') + '\n'
                                              : QByteArray("*** Configuration buffer overflow before log opened ***\n");
        QVERIFY(lw.Read("TIC2024366C.csv").contains(";\n" + kept + "; Closed TIC Data Logs"));
        QCOMPARE(lw.Files(), QStringList{"TIC2024366C.csv"});  // no port in use
    }

    // A line of the new year goes to the new day's files, after the old ones' trailers.
    void newDayBeforeTheLine()
    {
        LogWindow lw(Keys(0));
        UsePorts();
        ModalWatcher watcher(QMessageBox::No);
        QVERIFY(lw.w->OpenTicLogs());
        lw.w->receiverTime.SetDateTime(Utc(2024, 12, 31, 23, 59, 59));
        lw.w->WriteTicTimeLine(1, "old");
        lw.w->receiverTime.SetDateTime(Utc(2025, 1, 1, 0, 0, 0));
        lw.w->WriteTicTimeLine(1, "new");
        lw.w->ui->actionClose_TIC_Data_Log->trigger();
        QCOMPARE(watcher.boxes.value(0).text, "Are you sure you want to close this TIC Log file set?");
        QVERIFY(lw.w->ticCombinedLog.isOpen());
        watcher.SetAnswer(QMessageBox::Yes);
        lw.w->ui->actionClose_TIC_Data_Log->trigger();
        QVERIFY(!lw.w->ticCombinedLog.isOpen());
        QCOMPARE(lw.Files().size(), 10);
        QVERIFY(lw.Read("TIC2024366T1.prn").endsWith(";\nold\n; Closed TIC Data Logs 01-Jan-2025 00:00:00 UTC\n; \n"));
        const QByteArray now = lw.Read("TIC2025001T1.prn");
        QVERIFY(now.contains("; Opened 01-Jan-2025 00:00:00 UTC\n"));
        QVERIFY(now.endsWith(";\nnew\n; Closed TIC Data Logs 01-Jan-2025 00:00:00 UTC\n; \n"));
    }
};

HORALUX_TEST(TestTicLogs);
#include "tst_ticlogs.moc"
