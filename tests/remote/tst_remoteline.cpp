// The remote line form and the Telnet-aware line reader, without a socket.

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
        QTest::newRow("high byte") << QByteArray("$VUDUZ,VER\xB1SION") << RemoteLine::Bad;
        // The degree sign of the REFLOC reply, in UTF-8 or Latin-1; no other UTF-8.
        QTest::newRow("degree sign, UTF-8") << RemoteLine::Sentence("REFLOC,1.5\xC2\xB0") << RemoteLine::Command;
        QTest::newRow("degree sign, Latin-1") << QByteArray("$VUDUZ,1.5\xB0") << RemoteLine::Command;
        QTest::newRow("UTF-8 lead alone") << QByteArray("$VUDUZ,1.5\xC2") << RemoteLine::Bad;
        QTest::newRow("other UTF-8") << QByteArray("$VUDUZ,1.5\xC2\xB1") << RemoteLine::Bad;
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

    // Telnet negotiation and NUL bytes vanish; CR, LF and CR LF end lines. The same lines
    // come out whether the bytes arrive at once or one by one.
    void readerCutsLines_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArrayList>("lines");
        QTest::newRow("line ends") << QByteArray("a\r\nb\rc\nd\r\0e\n\n\r\n", 15) << QByteArrayList{"a", "b", "c", "d", "e"};
        QTest::newRow("negotiation") << QByteArray("\xFF\xFB\x01" "a\xFF\xFD\x03" "b\xFF\xF1" "c\r\n")
                                     << QByteArrayList{"abc"};
        QTest::newRow("subnegotiation") << QByteArray("x\xFF\xFA\x18\x01\xFF\xFF\r\n\xFF\xF0y\n") << QByteArrayList{"xy"};
        QTest::newRow("doubled IAC") << QByteArray("\xFF\xFFz\n") << QByteArrayList{"\xFFz"};
        // A subnegotiation without its IAC SE ends after 64 bytes; what follows is input.
        const QByteArray unended = QByteArray("\xFF\xFA\x18") + QByteArray(63, 'q');
        QTest::newRow("unended subnegotiation") << "a" + unended + "b\r\n$VUDUZ,VERSION\r\n"
                                                << QByteArrayList{"ab", "$VUDUZ,VERSION"};
        QTest::newRow("unended, doubled IAC inside") << QByteArray("\xFF\xFA\xFF\xFF") + QByteArray(62, 'q') + "bc\n"
                                                     << QByteArrayList{"bc"};
        QTest::newRow("unended, a command next") << unended + "\xFF\xFB\x01z\n" << QByteArrayList{"z"};
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
};

HORALUX_TEST(TestRemoteLine);
#include "tst_remoteline.moc"
