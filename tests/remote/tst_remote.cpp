// The remote-control link as a client on the loopback sees it: the switch, the greeting,
// the line form, one client at a time, bounded buffers and the commands' replies.

#include "gpsnavdialog.h"
#include "logfilenames.h"
#include "mainwindow.h"
#include "modalwatcher.h"
#include "remoteline.h"
#include "telnetlink.h"
#include "telnettcpserver.h"
#include "testsupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QShortcut>
#include <QTcpSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#ifdef Q_OS_LINUX
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace {

const QByteArray kGreeting = "Hello client, this is Horalux.\r\n";

// A client on the loopback that collects what the server sends.
struct Client
{
    explicit Client(quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
    }
    // The next n lines, each with its CR LF; empty when they do not come.
    QByteArray Lines(int n = 1)
    {
        qsizetype end = 0;
        const auto complete = [&] {
            end = 0;
            for (int i = 0; i < n && end >= 0; ++i)
                end = received.indexOf("\r\n", end) < 0 ? -1 : received.indexOf("\r\n", end) + 2;
            return end > 0;
        };
        if (!TestSupport::WaitFor(complete))
            return QByteArray();
        const QByteArray lines = received.left(end);
        received.remove(0, end);
        return lines;
    }
    bool Closed() { return TestSupport::WaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }); }

    QTcpSocket socket;
    QByteArray received;
};

#ifdef Q_OS_LINUX
// The server's end of a client's link, found among the process's descriptors by its peer.
int ServerEnd(const QTcpSocket& client)
{
    for (int fd = 0; fd < 1024; ++fd) {
        // An IPv4 peer of an IPv6 listener is mapped; the port sits at the same place in both.
        sockaddr_in6 peer{};
        socklen_t size = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) == 0
            && (peer.sin6_family == AF_INET6 || peer.sin6_family == AF_INET) && ntohs(peer.sin6_port) == client.localPort())
            return fd;
    }
    return -1;
}
#endif

}  // namespace

class TestRemote : public QObject
{
    Q_OBJECT

    std::unique_ptr<ModalWatcher> watcher;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<Client> client;

    // The remote switch of the main window, answered as an operator would.
    void Switch(bool bActivate, quint16 port = 0)  // 0: any free port
    {
        watcher->SetDialogHandler([bActivate, port](QDialog* d) {
            static_cast<TelnetLink*>(d)->bTelnetActivate = bActivate;
            static_cast<TelnetLink*>(d)->telnetServerPort = port;
            d->done(1);
        });
        emit window->remoteShortcut->activated();
    }

    quint16 Port() const { return window->telnetServer->Port(); }

    QByteArray Ask(const QByteArray& command)
    {
        client->socket.write("$VUDUZ," + command + "\r\n");
        return client->Lines();
    }

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        watcher = std::make_unique<ModalWatcher>();
        window = std::make_unique<MainWindow>();
        Switch(true);
        QVERIFY(window->telnetServer && window->telnetServer->IsListening());
        client = std::make_unique<Client>(Port());
        QCOMPARE(client->Lines(), kGreeting);
    }

    void cleanup()
    {
        client.reset();
        window.reset();
        QVERIFY2(watcher->boxes.isEmpty(), "remote input raised a box");
        watcher.reset();
    }

    void conversation_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("replies");
        const QByteArray version = RemoteLine::Sentence("VERSION,1.1.1") + "\r\n";
        QTest::newRow("version") << QByteArray("$VUDUZ,VERSION\r\n") << version;
        QTest::newRow("version with checksum") << QByteArray("$VUDUZ,Version*3e\n") << version;
        QTest::newRow("bad checksum") << QByteArray("$VUDUZ,VERSION*00\r\n") << QByteArray("$VUDUZ,VERSION*00 ???\r\n");
        QTest::newRow("unknown command") << QByteArray("$VUDUZ,FORMAT,C:\r\n\r\n")
                                         << QByteArray("$VUDUZ,FORMAT,C: ???\r\n");
        // A terminal resized ten times: more subnegotiation bytes in all than one may hold.
        const QByteArray windowSize("\xFF\xFA\x1F\x00\xFF\xFF\x00\x40\xFF\xF0", 10);  // 255 x 64
        QTest::newRow("ten window sizes") << windowSize.repeated(10) + "$VUDUZ,VERSION\r\n" << version;
        QTest::newRow("telnet negotiation") << QByteArray("\xFF\xFD\x01$VUDUZ,\xFF\xFA\x18\x01\xFF\xF0VERSION\r\n")
                                            << version;
        // A bad line comes back in printable ASCII, whatever was sent.
        QTest::newRow("bad bytes") << QByteArray("Bad\xE9\x7F\x01\xC2\xB0\r\n$VUDUZ,FORMAT\xC2\xB0,\xB0\r\n")
                                   << QByteArray("Bad????? ???\r\n$VUDUZ,FORMAT??,? ???\r\n");
        // An angle without a digit would move the reference to 0 degrees.
        QTest::newRow("angles without digits")
            << QByteArray("$VUDUZ,REFLOC,N,10,0\r\n$VUDUZ,REFLOC,10,E,0\r\n$VUDUZ,REFLOC,+,+,0\r\n")
            << (RemoteLine::Sentence("REFLOC,ERROR") + "\r\n").repeated(3);
        QTest::newRow("bad altitude") << QByteArray("$VUDUZ,REFLOC,10,20,100m\r\n")
                                      << RemoteLine::Sentence("REFLOC,ERROR") + "\r\n";
        // No reply to a stream switch: the next line is the VERSION reply.
        QTest::newRow("tic data") << QByteArray("$VUDUZ,TICDATA,AVERAGE\r\n$VUDUZ,TICDATA,TIME,NEXT\r\n"
                                                "$VUDUZ,TICDATA,AVERAGE,ON\r\n$VUDUZ,VERSION\r\n")
                                  << RemoteLine::Sentence("TICDATA,AVERAGE,UNAVAILABLE") + "\r\n" + version;
        QTest::newRow("long line, then lines") << QByteArray(100000, 'x') + "\r\n" + QByteArray("$VUDUZ,VERSION\n").repeated(10000)
                                               << QByteArray(256, 'x') + " ???\r\n" + version.repeated(10000);
    }

    void conversation()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, replies);
        client->socket.write(sent);
        QCOMPARE(client->Lines(int(replies.count("\r\n"))), replies);
        QTest::qWait(20);
        QCOMPARE(client->received, QByteArray());
        if (QTest::currentDataTag() == QLatin1String("tic data")) {
            QCOMPARE(window->ticTimeStreamMode, 1);
            QCOMPARE(window->ticAverageStreamMode, 2);
        }
    }

    void referenceLocationSetAndRead()
    {
        const QByteArray set = Ask("REFLOC,51 30 N,0 7 30 W,100");
        double lat = 0, lon = 0, altGps = 0, altMsl = 0;
        window->gpsNavDialog->GetRefLocation(&lat, &lon, &altGps, &altMsl);
        QCOMPARE(QList<double>({lat, lon, altGps}), QList<double>({51.5, -0.125, 100.0}));
        QCOMPARE(window->displayTime.longitude, -0.125);
        // The MSL altitude is the GPS altitude less the geoid's height there.
        QCOMPARE(set, RemoteLine::Sentence("REFLOC,51.50000000\xC2\xB0,-0.12500000\xC2\xB0,100.00,"
                                           + QByteArray::number(altMsl, 'f', 2)) + "\r\n");
        QVERIFY(altMsl < 60.0);
        QCOMPARE(Ask("REFLOC"), set);
        QCOMPARE(QSettings().value("GpsNavDialog/RefLocation/Latitude").toString(), QString("51.5000000000000000"));
        QVERIFY(Ask("REFLOC,1,2,3,4").startsWith("$VUDUZ,REFLOC, 1.00000000"));
        QCOMPARE(window->gpsNavDialog->GetRefAltitudeMsl(), 4.0);
    }

    // The logs through the menus' own functions: a real file opened, reported and closed,
    // the keys of the next opening, and refusals that name no folder.
    void logCommands()
    {
        QTemporaryDir dir;
        QSettings().setValue("LogFiles/GPSLogFolder", dir.path());
        QSettings().setValue("LogFiles/TicLogFolder", dir.path());
        const QByteArray day = LogFileNames::DayStem(QString(), window->CurrentLogClock().date()).toLatin1();
        const QList<std::pair<QByteArray, QByteArray>> steps = {
            {"GPSLOG,STATUS", "GPSLOG,CLOSED"},
            {"GPSLOG,CONFIG,1,60,Station_1", "GPSLOG,CONFIG,OK"},
            {"GPSLOG,CONFIG,,7,", "GPSLOG,ERROR,bad every"},
            {"GPSLOG,CONFIG,,,../up", "GPSLOG,ERROR,bad prefix"},
            {"GPSLOG,CONFIG,1,60", "GPSLOG,ERROR,bad field count"},
            {"gpslog,open", "GPSLOG,OK,Station_1" + day + ".bin"},
            {"GPSLOG,STATUS", "GPSLOG,OK,Station_1" + day + ".bin"},
            {"GPSLOG,CLOSE", "GPSLOG,CLOSED"},
            {"TICLOG,CONFIG,0,1,10,60,T", "TICLOG,CONFIG,OK"},
            {"TICLOG,OPEN", "TICLOG,OK,T" + day + "C.prn"},
            {"TICLOG,CLOSE", "TICLOG,CLOSED"},
        };
        for (const auto& [sent, body] : steps)
            QCOMPARE(Ask(sent), RemoteLine::Sentence(body) + "\r\n");
        QCOMPARE(QSettings().value("LogFiles/GPSLogEvery").toInt(), 6);
        QCOMPARE(window->ticTimeTagFormat, 1);
        QFile log(dir.filePath("Station_1" + day + ".bin"));
        QVERIFY(log.open(QIODevice::ReadOnly) && log.readAll().contains("; Closed GPS Data Log "));

        QSettings().setValue("LogFiles/GPSLogFolder", log.fileName());  // a file, not a folder
        const QByteArray refused = Ask("GPSLOG,OPEN");
        QVERIFY2(refused.startsWith("$VUDUZ,GPSLOG,ERROR,Cannot open the log file Station_1"), refused);
        QVERIFY(!refused.contains(dir.path().toLatin1()));
    }

    void oneClientAtATimeAndExit()
    {
        Client second(Port());
        QCOMPARE(second.Lines(), QByteArray("Busy: one client at a time.\r\n"));
        QVERIFY(second.Closed());
        client->socket.write("$VUDUZ,VERSION\r\nEXIT\r\n$VUDUZ,VERSION\r\n");
        QCOMPARE(client->Lines(2), RemoteLine::Sentence("VERSION,1.1.1") + "\r\nGoodbye.\r\n");
        QVERIFY(client->Closed());
        QCOMPARE(client->received, QByteArray());
        Client third(Port());
        QCOMPARE(third.Lines(), kGreeting);
    }

    // Dropped once 64 KiB wait for the client beyond what the system holds.
    void nonReadingClientDropped()
    {
        client->socket.setReadBufferSize(1);
        QObject::disconnect(&client->socket, &QTcpSocket::readyRead, nullptr, nullptr);
        QTest::ignoreMessage(QtWarningMsg, "Remote control client dropped: it does not read its answers");
        for (int i = 0; i < 16000 && window->telnetServer->HasClient(); ++i) {
            window->telnetServer->SendLine(QByteArray(4000, 'd'));
            QCoreApplication::processEvents();
        }
        QVERIFY(!window->telnetServer->HasClient());
    }

    void startTwiceBusyPortAndSwitchOff()
    {
        const quint16 port = Port();
        QCOMPARE(window->RemoteServerStatus(),
                 QString("The server listens on port %1; a client is connected.").arg(port));
        TelnetTcpServer other;
        other.SendLine("nobody listens");  // no client: nothing happens
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Remote link not listening: port"));
        other.StartServer(port);
        QVERIFY(!other.IsListening() && !other.ListenError().isEmpty());
        window->telnetServer->StartServer(port);  // the client goes, the port stays
        QVERIFY(client->Closed());
        Client again(port);
        QCOMPARE(again.Lines(), kGreeting);
        Switch(false);
        QVERIFY(!window->telnetServer);
        QCOMPARE(window->RemoteServerStatus(), QString("The server is off."));
        QVERIFY(again.Closed());
    }

    // The REFLOC reply taken back as a command, its degree signs in UTF-8 as sent or in Latin-1.
    void referenceLocationRoundTrip()
    {
        const QByteArray reply = Ask("REFLOC,51 30 10.5 N,0 7 30.25 W,100,54.3");
        QByteArray latin1 = RemoteLine::Body(reply.trimmed());
        latin1.replace("\xC2\xB0", "\xB0");
        for (const QByteArray& sent : {reply.trimmed(), "$VUDUZ," + latin1}) {
            QVERIFY(Ask("REFLOC,1,2,3").startsWith("$VUDUZ,REFLOC, 1.00000000"));
            client->socket.write(sent + "\r\n");
            QCOMPARE(client->Lines(), reply);
        }
    }

    // OPEN of an open log keeps it: one header, and the one trailer of the CLOSE.
    void openTwice()
    {
        QTemporaryDir dir;
        QSettings().setValue("LogFiles/GPSLogFolder", dir.path());
        QSettings().setValue("LogFiles/TicLogFolder", dir.path());
        for (const QByteArray word : {"GPSLOG", "TICLOG"}) {
            const QByteArray opened = Ask(word + ",OPEN");
            QCOMPARE(Ask(word + ",OPEN"), opened);
            QCOMPARE(Ask(word + ",CLOSE"), RemoteLine::Sentence(word + ",CLOSED") + "\r\n");
            QFile log(dir.filePath(QString::fromLatin1(RemoteLine::Body(opened).mid(word.size() + 4))));
            QVERIFY2(log.open(QIODevice::ReadOnly), opened);
            const QByteArray text = log.readAll();
            QCOMPARE(text.count("Horalux "), 1);
            QCOMPARE(text.count("; Closed "), 1);
        }
    }

    // A client that leaves frees the slot at once, also after much input or with a broken link.
    void nextClientAfterOneLeaves()
    {
        const QByteArray lines = QByteArray("$VUDUZ,VERSION\r\nbad\xB1line\r\n").repeated(50000);
        client->socket.write(lines + QByteArray(3000000, 'x'));
        QVERIFY(TestSupport::WaitFor([&] { return client->socket.bytesToWrite() == 0; }, 20000));
        for (const bool bAbort : {false, true}) {
            bAbort ? client->socket.abort() : client->socket.disconnectFromHost();
            client = std::make_unique<Client>(Port());
            QCOMPARE(client->Lines(), kGreeting);
            QCOMPARE(Ask("VERSION"), RemoteLine::Sentence("VERSION,1.1.1") + "\r\n");
        }
    }

    // A client silent for the idle limit is said goodbye to, unless its TIC data stream
    // runs; the stream ends with its client.
    void silentClientDropped()
    {
        // Each wait a quarter of the limit, so that a loaded machine does not drop a
        // client that talks.
        window->telnetServer->SetIdleLimit(300);
        client->socket.write("$VUDUZ,TICDATA,TIME,ON\r\n");
        QTest::qWait(700);
        QVERIFY(window->telnetServer->HasClient());
        client->socket.disconnectFromHost();
        client = std::make_unique<Client>(Port());
        QCOMPARE(client->Lines(), kGreeting);
        for (int i = 0; i < 6; ++i) {  // talking keeps a client
            QTest::qWait(75);
            client->socket.write("\r\n");
        }
        QVERIFY(window->telnetServer->HasClient());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Remote control client dropped: nothing received"));
        QVERIFY(client->Lines().startsWith("Goodbye: nothing received for "));
        QVERIFY(client->Closed());
    }

    // A client that vanished without a word (no FIN, no RST) frees the slot within about
    // a minute: data it leaves unacknowledged for 30 s, or silence that three keep-alive
    // probes ten seconds apart after a minute's idle find unanswered, breaks its link.
    void vanishedClientIsWatched()
    {
#ifdef Q_OS_LINUX
        const int fd = ServerEnd(client->socket);
        QList<int> options;
        const int tcp = IPPROTO_TCP;
        for (const auto& [level, name] : {std::pair(SOL_SOCKET, SO_KEEPALIVE), std::pair(tcp, TCP_USER_TIMEOUT),
                                          std::pair(tcp, TCP_KEEPIDLE), std::pair(tcp, TCP_KEEPINTVL),
                                          std::pair(tcp, TCP_KEEPCNT)}) {
            int value = -1;
            socklen_t size = sizeof value;
            options << (getsockopt(fd, level, name, &value, &size) == 0 ? value : -1);
        }
        QCOMPARE(options, (QList<int>{1, 30000, 60, 10, 3}));
#else
        QSKIP("the link's options are read as Linux names them");
#endif
    }

    // A stored port the link dialog would refuse reads as the default, which is written back.
    void storedPortChecked_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("port");
        QTest::newRow("in range") << "1024" << 1024;
        QTest::newRow("below") << "99" << 32325;
        QTest::newRow("not a number") << "nan" << 32325;
    }
    void storedPortChecked()
    {
        QFETCH(QString, stored);
        QFETCH(int, port);
        QSettings().setValue("TelnetDialog/TelnetServerPort", stored);
        TelnetLink link;
        QCOMPARE(int(link.telnetServerPort), port);
        QCOMPARE(QSettings().value("TelnetDialog/TelnetServerPort").toString(), QString::number(port));
    }

    // A link left on listens from start-up, and answers.
    void storedSwitchListensFromStart()
    {
        window.reset();
        const quint16 port = TestSupport::FreePort();
        QSettings().setValue("TelnetDialog/TelnetActivate", true);
        QSettings().setValue("TelnetDialog/TelnetServerPort", QString::number(port));
        window = std::make_unique<MainWindow>();
        client = std::make_unique<Client>(port);
        QCOMPARE(client->Lines(), kGreeting);
        QCOMPARE(Ask("VERSION"), RemoteLine::Sentence("VERSION,1.1.1") + "\r\n");
    }

    // A port another program holds, met at start-up or on the dialog's OK: the note
    // stays while it is held, the port is tried again, and the link listens once it is
    // free; its return is said for a while, and the port is not tried again. A link
    // switched off meanwhile wants the port no more, and the note goes with it.
    void takenPortTriedAgain_data()
    {
        QTest::addColumn<bool>("bAtStart");
        QTest::addColumn<bool>("bSwitchedOff");
        QTest::newRow("stored port at start-up") << true << false;
        QTest::newRow("port chosen in the dialog") << false << false;
        QTest::newRow("switched off while held") << false << true;
    }
    void takenPortTriedAgain()
    {
        QFETCH(bool, bAtStart);
        QFETCH(bool, bSwitchedOff);
        // A port of the link's range, held by another.
        auto holder = std::make_unique<QTcpServer>();
        const quint16 port = TestSupport::FreePort();
        QVERIFY(holder->listen(QHostAddress::Any, port));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Remote link not listening"));
        if (bAtStart) {
            window.reset();
            QSettings().setValue("TelnetDialog/TelnetActivate", true);
            QSettings().setValue("TelnetDialog/TelnetServerPort", QString::number(port));
            window = std::make_unique<MainWindow>();
        } else {
            Switch(true, port);
            QVERIFY(client->Closed());
        }
        QLabel* label = window->remoteLinkLabel;
        QCOMPARE(label->toolTip(), QString("Remote link not listening: port %1 (%2), retrying every 5 s")
                                       .arg(port)
                                       .arg(window->telnetServer->ListenError()));
        QVERIFY(!label->isHidden() && !window->telnetServer->ListenError().isEmpty());
        window->telnetServer->SetRetryTimes(50, 300);
        QSignalSpy said(window->telnetServer, &TelnetTcpServer::noteChanged);
        QTest::qWait(200);  // several tries, each refused for the same reason: nothing new said
        QVERIFY(!window->telnetServer->IsListening() && !label->isHidden() && said.isEmpty());
        if (bSwitchedOff) {
            Switch(false);
            QVERIFY(label->isHidden());
            QTest::qWait(150);
            QVERIFY(label->isHidden());
            return;
        }

        holder.reset();
        QVERIFY(TestSupport::WaitFor([&] { return window->telnetServer->IsListening(); }));
        client = std::make_unique<Client>(port);
        QCOMPARE(client->Lines(), kGreeting);
        QCOMPARE(label->toolTip(), QString("Remote link back: port %1").arg(port));
        // Past several retry times: whatever the note says next, it says no refusal.
        said.clear();
        QTest::qWait(250);
        QVERIFY(window->telnetServer->IsListening() && window->telnetServer->ListenError().isEmpty());
        for (const QList<QVariant>& note : said)
            QVERIFY2(!note.at(0).toString().contains("not listening"), qPrintable(note.at(0).toString()));
        QVERIFY(TestSupport::WaitFor([&] { return label->isHidden(); }));
        QCOMPARE(Ask("VERSION"), RemoteLine::Sentence("VERSION,1.1.1") + "\r\n");
    }

    // The link dialog: the default port, its range check and the keys written on OK.
    void linkDialog()
    {
        TelnetLink link;
        auto* port = link.findChild<QLineEdit*>("IDC_TELNET_PORT");
        QCOMPARE(port->text(), QString("32325"));
        link.show();
        port->setText("99");
        link.findChild<QPushButton*>("OK")->click();
        QCOMPARE(watcher->boxes.size(), 1);
        QCOMPARE(watcher->boxes.takeFirst().text, QString("Field is out of range.\nMust be between 1024 and 32768"));
        port->setText("4000");
        link.findChild<QPushButton*>("OK")->click();
        QCOMPARE(link.result(), 1);
        QCOMPARE(QSettings().value("TelnetDialog/TelnetServerPort").toString(), QString("4000"));
        QCOMPARE(QSettings().value("TelnetDialog/TelnetActivate").toBool(), false);
    }
};

HORALUX_TEST(TestRemote);
#include "tst_remote.moc"
