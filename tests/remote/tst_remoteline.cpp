// The remote line form, the Telnet-aware line reader and the command words, without a socket.

#include "remoteline.h"
#include "testsupport.h"

#include <QTest>

Q_DECLARE_METATYPE(RemoteLine::Kind)

class TestRemoteLine : public QObject
{
    Q_OBJECT

private slots:
    void lineForms_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<RemoteLine::Kind>("kind");
        const QByteArray version = RemoteLine::Sentence("VERSION");
        QTest::newRow("checksum") << version << RemoteLine::Command;
        QTest::newRow("checksum in lower case") << version.toLower() << RemoteLine::Command;
        QTest::newRow("no checksum, blanks around") << QByteArray("  $VUDUZ,VERSION \t") << RemoteLine::Command;
        QTest::newRow("wrong checksum") << QByteArray("$VUDUZ,VERSION*00") << RemoteLine::Bad;
        QTest::newRow("checksum not hex") << QByteArray("$VUDUZ,VERSION*G1") << RemoteLine::Bad;
        QTest::newRow("star inside") << QByteArray("$VUDUZ,VER*SION") << RemoteLine::Bad;
        QTest::newRow("control character") << QByteArray("$VUDUZ,VER\x01SION") << RemoteLine::Bad;
        QTest::newRow("high byte") << QByteArray("$VUDUZ,VER\xB0SION") << RemoteLine::Bad;
        QTest::newRow("other sentence") << QByteArray("$GPGGA,1") << RemoteLine::Bad;
        QTest::newRow("exit") << QByteArray("exit") << RemoteLine::Exit;
        QTest::newRow("blanks") << QByteArray(" \t ") << RemoteLine::Empty;
    }

    void lineForms()
    {
        QFETCH(QByteArray, line);
        QFETCH(RemoteLine::Kind, kind);
        QCOMPARE(RemoteLine::Check(line), kind);
        QCOMPARE(RemoteLine::Check(line, true), RemoteLine::Bad);
    }

    // Telnet negotiation and NUL bytes vanish; CR, LF and CR LF end lines; a line keeps
    // its first 256 bytes. The same lines come out whether the bytes arrive at once or
    // one by one.
    void readerCutsLines_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::newRow("line ends") << QByteArray("a\r\nb\rc\nd\r\0e\n\n\r\n", 15) << QByteArrayList{"a", "b", "c", "d", "e"};
        QTest::newRow("negotiation") << QByteArray("\xFF\xFB\x01" "a\xFF\xFD\x03" "b\xFF\xF1" "c\r\n")
                                     << QByteArrayList{"abc"};
        QTest::newRow("subnegotiation") << QByteArray("x\xFF\xFA\x18\x01\xFF\xFF\r\n\xFF\xF0y\n") << QByteArrayList{"xy"};
        QTest::newRow("doubled IAC") << QByteArray("\xFF\xFFz\n") << QByteArrayList{"\xFFz"};
        QTest::newRow("long line") << QByteArray(100000, 'L') + "\nok\n"
                                   << QByteArrayList{QByteArray(RemoteLineReader::kMaxLineLength, 'L') + "+", "ok"};
    }

    void readerCutsLines()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArrayList, lines);
        for (qsizetype step : {input.size(), qsizetype(1)}) {
            RemoteLineReader reader;
            QByteArrayList out;
            for (qsizetype i = 0; i < input.size(); i += step) {
                reader.Feed(input.constData() + i, std::min(step, input.size() - i),
                            [&](const QByteArray& line, bool bTooLong) {
                                out.append(bTooLong ? line + "+" : line);
                                return true;
                            });
            }
            QCOMPARE(out, lines);
        }
    }

    void commandWords_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("detail");  // flags and fields, for the kinds that have them
        QTest::newRow("version") << RemoteLine::Sentence("version") << int(RemoteCommand::Version) << QByteArray();
        QTest::newRow("version, extra field") << QByteArray("$VUDUZ,VERSION,1") << int(RemoteCommand::Unknown) << QByteArray();
        QTest::newRow("refloc") << QByteArray("$VUDUZ,REFLOC") << int(RemoteCommand::RefLocQuery) << QByteArray();
        QTest::newRow("refloc set") << QByteArray("$vuduz,RefLoc, 12 30 S,,100*00") << int(RemoteCommand::RefLocSet)
                                    << QByteArray("12 30 S||100");
        QTest::newRow("gpslog open") << QByteArray("$VUDUZ,gpslog,Open") << int(RemoteCommand::LogOpen) << QByteArray();
        QTest::newRow("ticlog status") << QByteArray("$VUDUZ,TICLOG,STATUS") << int(RemoteCommand::LogStatus)
                                       << QByteArray("tic");
        QTest::newRow("ticlog config") << QByteArray("$VUDUZ,TICLOG,CONFIG,1,,60,") << int(RemoteCommand::LogConfig)
                                       << QByteArray("tic 1||60|");
        QTest::newRow("gpslog unknown") << QByteArray("$VUDUZ,GPSLOG,DELETE") << int(RemoteCommand::Unknown) << QByteArray();
        QTest::newRow("ticdata") << QByteArray("$VUDUZ,TICDATA,AVERAGE") << int(RemoteCommand::TicDataNow)
                                 << QByteArray("average");
        QTest::newRow("ticdata next") << QByteArray("$VUDUZ,TICDATA,TIME,next") << int(RemoteCommand::TicDataStream)
                                      << QByteArray("mode 1");
        QTest::newRow("ticdata on") << QByteArray("$VUDUZ,TICDATA,AVERAGE,ON") << int(RemoteCommand::TicDataStream)
                                    << QByteArray("average mode 2");
        QTest::newRow("ticdata bad mode") << QByteArray("$VUDUZ,TICDATA,TIME,SOON") << int(RemoteCommand::Unknown)
                                          << QByteArray();
        QTest::newRow("no sentence id") << QByteArray("VERSION") << int(RemoteCommand::Unknown) << QByteArray();
    }

    void commandWords()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, kind);
        QFETCH(QByteArray, detail);
        const RemoteCommand command = RemoteCommand::Parse(line);
        QCOMPARE(int(command.kind), kind);
        QByteArrayList parts;
        if (command.bTicLog)
            parts << "tic";
        if (command.bAverage)
            parts << "average";
        if (command.kind == RemoteCommand::TicDataStream)
            parts << "mode " + QByteArray::number(command.streamMode);
        if (!command.fields.isEmpty())
            parts << command.fields.join('|');
        QCOMPARE(parts.join(' '), detail);
    }

    void sentenceChecksum()
    {
        QCOMPARE(RemoteLine::Sentence("VERSION,1.1.1"), QByteArray("$VUDUZ,VERSION,1.1.1*23"));
        QCOMPARE(RemoteLine::Body("$VUDUZ,VERSION,1.1.1*23"), QByteArray("VERSION,1.1.1"));
    }
};

HORALUX_TEST(TestRemoteLine);
#include "tst_remoteline.moc"
