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

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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
        const bool got = TestSupport::WaitFor([&] {
            end = 0;
            for (int i = 0; i < n && end >= 0; ++i)
                end = received.indexOf("\r\n", end) < 0 ? -1 : received.indexOf("\r\n", end) + 2;
            return end > 0;
        });
        if (!got)
            return QByteArray();
        const QByteArray lines = received.left(end);
        received.remove(0, end);
        return lines;
    }
    bool Closed() { return TestSupport::WaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }); }

    QTcpSocket socket;
    QByteArray received;
};

}  // namespace

class TestRemote : public QObject
{
    Q_OBJECT

    std::unique_ptr<ModalWatcher> watcher;
    std::unique_ptr<MainWindow> window;

    // The remote switch of the main window, answered as an operator would.
    void Switch(bool bActivate)
    {
        watcher->SetDialogHandler([bActivate](QDialog* d) {
            auto* link = static_cast<TelnetLink*>(d);
            link->bTelnetActivate = bActivate;
            link->telnetServerPort = 0;  // any free port
            d->done(1);
        });
        emit window->remoteShortcut->activated();
    }

    quint16 Port() const { return window->telnetServer->Port(); }

private slots:
    void init()
    {
        TestSupport::ClearSettings();
        watcher = std::make_unique<ModalWatcher>();
        window = std::make_unique<MainWindow>();
        Switch(true);
        QVERIFY(window->telnetServer && window->telnetServer->IsListening());
    }

    void cleanup()
    {
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
        QTest::newRow("telnet negotiation") << QByteArray("\xFF\xFD\x01$VUDUZ,\xFF\xFA\x18\x01\xFF\xF0VERSION\r\n")
                                            << version;
        QTest::newRow("tic data") << QByteArray("$VUDUZ,TICDATA,AVERAGE\r\n")
                                  << RemoteLine::Sentence("TICDATA,AVERAGE,UNAVAILABLE") + "\r\n";
        QTest::newRow("bad altitude") << QByteArray("$VUDUZ,REFLOC,10,20,100m\r\n")
                                      << RemoteLine::Sentence("REFLOC,ERROR") + "\r\n";
        QTest::newRow("bad latitude") << QByteArray("$VUDUZ,REFLOC,-12 30 S,20,100\r\n")
                                      << RemoteLine::Sentence("REFLOC,ERROR") + "\r\n";
        QTest::newRow("long line, then lines") << QByteArray(100000, 'x') + "\r\n" + QByteArray("$VUDUZ,VERSION\n").repeated(10000)
                                               << QByteArray(256, 'x') + " ???\r\n" + version.repeated(10000);
    }

    void conversation()
    {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, replies);
        Client client(Port());
        QCOMPARE(client.Lines(), kGreeting);
        client.socket.write(sent);
        QCOMPARE(client.Lines(int(replies.count("\r\n"))), replies);
        QTest::qWait(20);
        QCOMPARE(client.received, QByteArray());
    }

    void referenceLocationSetAndRead()
    {
        Client client(Port());
        QCOMPARE(client.Lines(), kGreeting);
        client.socket.write("$VUDUZ,REFLOC,51 30 N,0 7 30 W,100\r\n");
        const QByteArray set = client.Lines();
        double lat = 0, lon = 0, altGps = 0, altMsl = 0;
        window->gpsNavDialog->GetRefLocation(&lat, &lon, &altGps, &altMsl);
        QCOMPARE(lat, 51.5);
        QCOMPARE(lon, -0.125);
        QCOMPARE(altGps, 100.0);
        QVERIFY(altMsl < altGps);  // the geoid lies above the ellipsoid there
        QCOMPARE(window->displayTime.longitude, -0.125);
        QCOMPARE(QSettings().value("GpsNavDialog/RefLocation/Latitude").toString(), QString("51.5000000000000000"));
        client.socket.write("$VUDUZ,REFLOC\r\n");
        QCOMPARE(client.Lines(), set);
        QCOMPARE(set, RemoteLine::Sentence("REFLOC,51.50000000\xC2\xB0,-0.12500000\xC2\xB0,100.00,"
                                            + QByteArray::number(altMsl, 'f', 2)) + "\r\n");
        client.socket.write("$VUDUZ,REFLOC,1,2,3,4\r\n");
        QVERIFY(client.Lines().startsWith("$VUDUZ,REFLOC, 1.00000000"));
        QCOMPARE(window->gpsNavDialog->GetRefAltitudeMsl(), 4.0);
    }

    // The logs through the menus' own functions: a real file opened, reported and closed,
    // the keys of the next opening, and refusals that name no folder.
    void logCommands()
    {
        QTemporaryDir dir;
        QFile plainFile(dir.filePath("plain"));
        QVERIFY(plainFile.open(QIODevice::WriteOnly));
        QSettings().setValue("LogFiles/GPSLogFolder", dir.path());
        QSettings().setValue("LogFiles/TicLogFolder", dir.path());
        Client client(Port());
        QCOMPARE(client.Lines(), kGreeting);
        const QString day = LogFileNames::DayStem(QString(), window->CurrentLogClock().date());
        const QList<std::pair<QByteArray, QByteArray>> steps = {
            {"GPSLOG,STATUS", "GPSLOG,CLOSED"},
            {"GPSLOG,CONFIG,1,60,Station_1", "GPSLOG,CONFIG,OK"},
            {"GPSLOG,CONFIG,,7,", "GPSLOG,ERROR,bad every"},
            {"GPSLOG,CONFIG,,,../up", "GPSLOG,ERROR,bad prefix"},
            {"GPSLOG,CONFIG,1,60", "GPSLOG,ERROR,bad field count"},
            {"gpslog,open", "GPSLOG,OK,Station_1" + day.toLatin1() + ".bin"},
            {"GPSLOG,STATUS", "GPSLOG,OK,Station_1" + day.toLatin1() + ".bin"},
            {"GPSLOG,CLOSE", "GPSLOG,CLOSED"},
            {"TICLOG,CONFIG,0,1,10,60,T", "TICLOG,CONFIG,OK"},
            {"TICLOG,OPEN", "TICLOG,OK,T" + day.toLatin1() + "C.prn"},
            {"TICLOG,CLOSE", "TICLOG,CLOSED"},
        };
        for (const auto& [sent, body] : steps) {
            client.socket.write("$VUDUZ," + sent + "\r\n");
            QCOMPARE(client.Lines(), RemoteLine::Sentence(body) + "\r\n");
        }
        QCOMPARE(QSettings().value("LogFiles/GPSLogEvery").toInt(), 6);
        QCOMPARE(window->ticTimeTagFormat, 1);
        QFile log(dir.filePath("Station_1" + day + ".bin"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().contains("; Closed GPS Data Log "));

        QSettings().setValue("LogFiles/GPSLogFolder", plainFile.fileName());
        client.socket.write("$VUDUZ,GPSLOG,OPEN\r\n");
        const QByteArray refused = client.Lines();
        QVERIFY2(refused.startsWith("$VUDUZ,GPSLOG,ERROR,Cannot open the log file Station_1"), refused);
        QVERIFY(!refused.contains(dir.path().toLatin1()));
    }

    void ticDataStreamModes()
    {
        Client client(Port());
        QCOMPARE(client.Lines(), kGreeting);
        client.socket.write("$VUDUZ,TICDATA,TIME,NEXT\r\n$VUDUZ,TICDATA,AVERAGE,ON\r\n");
        QVERIFY(TestSupport::WaitFor([&] { return window->ticAverageStreamMode == 2; }));
        QCOMPARE(window->ticTimeStreamMode, 1);
        client.socket.write("$VUDUZ,TICDATA,AVERAGE,OFF\r\n");
        QVERIFY(TestSupport::WaitFor([&] { return window->ticAverageStreamMode == 0; }));
    }

    void oneClientAtATimeAndExit()
    {
        Client first(Port());
        QCOMPARE(first.Lines(), kGreeting);
        Client second(Port());
        QCOMPARE(second.Lines(), QByteArray("Busy: one client at a time.\r\n"));
        QVERIFY(second.Closed());
        first.socket.write("$VUDUZ,VERSION\r\nEXIT\r\n$VUDUZ,VERSION\r\n");
        QCOMPARE(first.Lines(2), RemoteLine::Sentence("VERSION,1.1.1") + "\r\nGoodbye.\r\n");
        QVERIFY(first.Closed());
        QCOMPARE(first.received, QByteArray());
        Client third(Port());
        QCOMPARE(third.Lines(), kGreeting);
    }

    // A client that does not read is dropped once 64 KiB wait for it beyond what the
    // system holds.
    void nonReadingClientDropped()
    {
        Client client(Port());
        QCOMPARE(client.Lines(), kGreeting);
        client.socket.setReadBufferSize(1);
        QObject::disconnect(&client.socket, &QTcpSocket::readyRead, nullptr, nullptr);
        QVERIFY(TestSupport::WaitFor([&] { return window->telnetServer->HasClient(); }));
        QTest::ignoreMessage(QtWarningMsg, "Remote control client dropped: it does not read its answers");
        const QByteArray line(4000, 'd');
        for (int i = 0; i < 16000 && window->telnetServer->HasClient(); ++i) {
            window->telnetServer->SendLine(line);
            QCoreApplication::processEvents();
        }
        QVERIFY(!window->telnetServer->HasClient());
    }

    void startTwiceBusyPortAndNoClient()
    {
        TelnetTcpServer* server = window->telnetServer;
        const quint16 port = Port();
        server->SendLine("nobody listens");  // no client: nothing happens
        server->StartServer(port);
        QVERIFY(server->IsListening());
        TelnetTcpServer other;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Remote control server cannot listen on port"));
        other.StartServer(port);
        QVERIFY(!other.IsListening());
        QVERIFY(!other.ListenError().isEmpty());
        other.SendLine("nobody listens");
        Client client(port);
        QCOMPARE(client.Lines(), kGreeting);
    }

    void switchOffStopsTheServer()
    {
        Client client(Port());
        QCOMPARE(client.Lines(), kGreeting);
        QCOMPARE(window->RemoteServerStatus(),
                 QString("The server listens on port %1; a client is connected.").arg(Port()));
        Switch(false);
        QVERIFY(!window->telnetServer);
        QCOMPARE(window->RemoteServerStatus(), QString("The server is off."));
        QVERIFY(client.Closed());
    }
};

// The link dialog: its defaults, the port's range check and the keys it writes on OK.
class TestTelnetLink : public QObject
{
    Q_OBJECT

private slots:
    void keysAndPortCheck()
    {
        TestSupport::ClearSettings();
        ModalWatcher watcher;
        TelnetLink link;
        auto* activate = link.findChild<QCheckBox*>("IDC_TELNET_ACTIVATE");
        auto* port = link.findChild<QLineEdit*>("IDC_TELNET_PORT");
        QCOMPARE(port->text(), QString("32325"));
        QVERIFY(!activate->isChecked());
        link.SetServerStatus(QStringLiteral("The server is off."));
        link.show();
        if (!qEnvironmentVariableIsEmpty("HORALUX_SCREENSHOTS"))
            link.grab().save(qEnvironmentVariable("HORALUX_SCREENSHOTS") + "/telnetlink.png");
        port->setText("99");
        link.findChild<QPushButton*>("OK")->click();
        QCOMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes.at(0).text, QString("Field is out of range.\nMust be between 1024 and 32768"));
        QVERIFY(link.isVisible());
        port->setText("4000");
        activate->setChecked(true);
        link.findChild<QPushButton*>("OK")->click();
        QCOMPARE(link.result(), 1);
        QCOMPARE(link.telnetServerPort, quint16(4000));
        QSettings settings;
        QCOMPARE(settings.value("TelnetDialog/TelnetServerPort").toString(), QString("4000"));
        QCOMPARE(settings.value("TelnetDialog/TelnetActivate").toBool(), true);
    }
};

HORALUX_TEST(TestRemote);
HORALUX_TEST(TestTelnetLink);
#include "tst_remote.moc"
