// How notes share the room of a status bar, from their texts alone: no window.

#include "notefitting.h"
#include "testsupport.h"

#include <QFont>
#include <QTest>

namespace {

const QString kTic1Path = QStringLiteral("/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port1");
const QString kTic1 = "TIC1 port cannot be opened: " + kTic1Path + " (No such file or directory), retrying every 5 s";
const QString kLost = QStringLiteral("GPS port lost: /dev/ttyUSB0 (Resource error), retrying every 5 s");

QFontMetrics Metrics() { return QFontMetrics(QFont(QStringLiteral("DejaVu Sans"), 9)); }

int Width(const QString& text) { return Metrics().horizontalAdvance(text); }

}  // namespace

class TestNoteFitting : public QObject
{
    Q_OBJECT

private slots:
    // Each note is "label|text|path|r" (r: a return); shown and absent are "label|part".
    void notesShareTheRoom_data()
    {
        QTest::addColumn<QStringList>("notes");
        QTest::addColumn<int>("room");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("absent");
        const QString tic3 = QStringLiteral("TIC3 unreachable: 10.0.0.3 (refused)");
        const QString tic4 = QStringLiteral("TIC4 unreachable: 10.0.0.4 (refused)");
        const QString tic5 = QStringLiteral("TIC5 unreachable: 10.0.0.5 (refused)");
        const QString back = QStringLiteral("TIC2 back: the counter at 10.0.0.2 answers again");
        QTest::newRow("room for all: whole") << QStringList{"0|" + kLost + "||", "1|" + tic3 + "||"}
                                             << Width(kLost + tic3) + 40 << QStringList{"0|" + kLost, "1|" + tic3}
                                             << QStringList();
        // The path loses its middle before the reason and the retry time go.
        QTest::newRow("path first") << QStringList{"0|" + kTic1 + "|" + kTic1Path + "|"} << Width(kTic1) - 120
                                    << QStringList{"0|TIC1 port cannot be opened: /dev/ser", "0|\u2026",
                                                   "0|port1 (No such file or directory), retrying every 5 s"}
                                    << QStringList{"0|Prolific"};
        // A return gives way before a failure loses a word: cut at its end, then not at all.
        QTest::newRow("a return is cut") << QStringList{"0|" + tic3 + "||", "0|" + back + "||r"}
                                         << Width(tic3 + "  " + back) - 20 << QStringList{"0|" + tic3, "0|TIC2 back: "}
                                         << QStringList{"0|again"};
        QTest::newRow("a return gives way") << QStringList{"0|" + back + "||r", "0|" + tic3 + "||"}
                                            << Width(tic3 + "  TIC2 ba") << QStringList{"0|" + tic3}
                                            << QStringList{"0|TIC2"};
        // Heads too wide for the room: the counters join, then their list shortens to a run.
        const QStringList three{"0|" + tic3 + "||", "0|" + tic4 + "||", "0|" + tic5 + "||"};
        QTest::newRow("counters join") << three << Width("TIC3 unreachable TIC4 unreachable")
                                       << QStringList{"0|TIC3, TIC4, TIC5: not read"} << QStringList{"0|10.0.0"};
        QTest::newRow("their run") << three << Width("TIC3\u2013TIC5: not read") + 4
                                   << QStringList{"0|TIC3\u2013TIC5: not read"} << QStringList{"0|TIC4"};
        // Two in a row are no run: they are named each.
        QStringList five;
        for (const int port : {3, 4, 5, 7, 8})
            five << QStringLiteral("0|TIC%1 unreachable: 10.0.0.%1 (refused)||").arg(port);
        QTest::newRow("runs of three only") << five << Width("TIC3\u2013TIC5, TIC7, TIC8: not read") + 4
                                            << QStringList{"0|TIC3\u2013TIC5, TIC7, TIC8: not read"} << QStringList();
        // Heads too wide for their labels: the labels join into the first, which names each
        // note by its head; the heads give way from the bar's left end, each to its first
        // word.
        QTest::newRow("heads from the left") << QStringList{"0|" + kLost + "||", "1|" + kTic1 + "|" + kTic1Path + "|"}
                                             << Width("GPS\u2026  TIC1 port cannot be opened\u2026") + 6
                                             << QStringList{"0|GPS", "0|; TIC1 port cannot be opened"}
                                             << QStringList{"0|lost", "1|TIC1"};
    }

    void notesShareTheRoom()
    {
        QFETCH(QStringList, notes);
        QFETCH(int, room);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, absent);
        std::vector<LabelNotes> labels;
        for (const QString& note : notes) {
            const QStringList parts = note.split('|');
            const int label = parts[0].toInt();
            while (int(labels.size()) <= label)
                labels.emplace_back(Metrics());
            labels[size_t(label)].notes << parts[1];
            labels[size_t(label)].paths << parts[2];
            labels[size_t(label)].returns << (parts[3] == "r");
            labels[size_t(label)].joining = {QStringLiteral("not read"), QStringLiteral("counters")};
        }
        int used = -1;
        const std::vector<FittedNotes> fitted = FitNotesToRoom(labels, {room, 0, 0, 0}, &used);
        QCOMPARE(fitted.size(), labels.size());
        int sum = 0;
        QStringList texts;
        for (const FittedNotes& label : fitted) {
            texts << label.text;
            sum += label.width;
            // Each text fits the width its label stands in.
            QVERIFY2(Width(label.text) <= label.width, qPrintable(label.text));
        }
        QCOMPARE(used, sum);
        QVERIFY2(sum <= room, qPrintable(QString::number(sum)));
        for (const QString& part : shown)
            QVERIFY2(texts.value(part.section('|', 0, 0).toInt()).contains(part.section('|', 1)), qPrintable(texts.join(" | ")));
        for (const QString& part : absent)
            QVERIFY2(!texts.value(part.section('|', 0, 0).toInt()).contains(part.section('|', 1)), qPrintable(texts.join(" | ")));
    }

    // Three labels beside a message that needs 150 px, 100 px for its words: it keeps what
    // it needs while the heads fit beside it, then its words; then the labels join into
    // the first, which names each note by its head. The others keep their own notes.
    void labelsBesideAMessage_data()
    {
        QTest::addColumn<int>("over");  // the room beyond what the heads need apart
        QTest::addColumn<bool>("bJoined");
        QTest::newRow("beside all the message needs") << 150 << false;
        QTest::newRow("beside its words") << 100 << false;
        QTest::newRow("joined") << 99 << true;
    }

    void labelsBesideAMessage()
    {
        QFETCH(int, over);
        QFETCH(bool, bJoined);
        const QStringList heads{"TIC1 no signal", "GPS log not written", "1PPS missing"};
        std::vector<LabelNotes> labels;
        QStringList apart;
        int need = 0;
        for (const QString& head : heads) {
            labels.emplace_back(Metrics());
            labels.back().notes << head + (head.startsWith("1PPS") ? " on DCD since 08:11:58 UTC" : ": " + kTic1Path);
            apart << head + QChar(0x2026);
            need += Width(apart.back()) + 1;  // a pixel each for rounding
        }
        int used = 0;
        const std::vector<FittedNotes> fitted = FitNotesToRoom(labels, {need + over, 6, 150, 100}, &used);
        const QStringList texts{fitted[0].text, fitted[1].text, fitted[2].text};
        const QStringList joined{heads.join("; "), QString(), QString()};
        QCOMPARE(texts, bJoined ? joined : apart);
        QCOMPARE(used, bJoined ? Width(heads[0]) + Width(heads[1]) + Width(heads[2]) + 3 + 2 * Width("; ") - 2 * 6 : need);
        QCOMPARE(fitted[0].notes.size(), bJoined ? 3 : 1);
        QCOMPARE(fitted[2].bShown, !bJoined);
        QCOMPARE(fitted[2].notes, labels[2].notes);
    }

    // One note in a room: the path loses its middle, the details their end; with next to
    // nothing of the details left, the ellipsis follows the head.
    void noteCutToItsRoom_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("room");
        QTest::addColumn<QString>("shown");
        const QString lost = QStringLiteral("GPS port lost: /dev/ttyUSB0 (Resource error)");
        QTest::newRow("whole") << lost << QString() << Width(lost) << lost;
        QTest::newRow("eight characters of details") << lost << QString() << Width("GPS port lost: ") + Width("/dev/tt\u2026")
                                                     << QStringLiteral("GPS port lost\u2026");
        QTest::newRow("nine characters of details") << lost << QString() << Width("GPS port lost: ") + Width("/dev/tty\u2026")
                                                    << QStringLiteral("GPS port lost: /dev/tty\u2026");
        QTest::newRow("the head cut to its first word") << lost << QString() << Width("GPS\u2026") << QStringLiteral("GPS\u2026");
    }

    void noteCutToItsRoom()
    {
        QFETCH(QString, text);
        QFETCH(QString, path);
        QFETCH(int, room);
        QFETCH(QString, shown);
        QCOMPARE(FitStatusNote(Metrics(), text, path, room), shown);
    }

    // A message in a room: the path it carries loses its middle, down to an ellipsis,
    // before the words that say what happened lose any letter; then the end goes. The
    // text starts and ends as given ("" for no check at that end), and must not contain
    // the path's middle; the room is the width of a text, less a few pixels.
    void messageCutToItsRoom_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("roomOf");
        QTest::addColumn<QString>("starts");
        QTest::addColumn<QString>("ends");
        const QString folder = QStringLiteral("/home/operator/station logs/horalux/2026");
        const QString again = "Log file " + folder + "/TIC2026342C.csv: writing again.";
        QTest::newRow("whole") << again << again << again << again;
        QTest::newRow("the return keeps its words") << again << "Log file /home/op\u2026/TIC2026342C.csv: writing again."
                                                    << "Log file /home" << "342C.csv: writing again.";
        QTest::newRow("the failure keeps its words")
            << "Log file " + folder + "/TIC2026342C.csv: No space left on device"
            << "Log file /ho\u2026csv: No space left on device" << "Log file /" << ": No space left on device";
        QTest::newRow("the path down to an ellipsis") << again << "Log file \u2026: writing again.."
                                                     << "Log file " << ": writing again.";
        QTest::newRow("then the end goes") << again << "Log file \u2026: writi" << "Log file " << "\u2026";
        QTest::newRow("path before a reason in brackets")
            << "Settings store " + folder + "/Horalux.conf (Permission denied) not written"
            << "Settings store /h\u2026f (Permission denied) not written" << "Settings store /"
            << "f (Permission denied) not written";
        QTest::newRow("a slash inside a word is no path") << QStringLiteral("Open/close the GPS raw data window")
                                                          << QStringLiteral("Open/close the GPS") << "Open/close the G" << "\u2026";
    }

    void messageCutToItsRoom()
    {
        QFETCH(QString, text);
        QFETCH(QString, roomOf);
        QFETCH(QString, starts);
        QFETCH(QString, ends);
        const int room = Width(roomOf) - (roomOf == text ? 0 : 2);
        const QString shown = FitStatusMessage(Metrics(), text, room);
        QVERIFY2(shown.startsWith(starts) && shown.endsWith(ends) && Width(shown) <= room
                     && (roomOf == text || !shown.contains("station")),
                 qPrintable(shown));
    }

    // A message keeps what it needs beside the notes, up to a third of the bar.
    void messageKeepsAThird_data()
    {
        QTest::addColumn<int>("barWidth");
        QTest::addColumn<int>("messageWidth");
        QTest::addColumn<int>("kept");
        QTest::newRow("long message, 720 px") << 720 << 600 << 240;
        QTest::newRow("long message, 653 px: rounded up") << 653 << 600 << 218;
        QTest::newRow("short message") << 720 << 120 << 120;
        QTest::newRow("no message") << 720 << 0 << 0;
    }

    void messageKeepsAThird()
    {
        QFETCH(int, barWidth);
        QFETCH(int, messageWidth);
        QFETCH(int, kept);
        QCOMPARE(MessageKeeps(barWidth, messageWidth), kept);
    }
};

HORALUX_TEST(TestNoteFitting);
#include "tst_notefitting.moc"
