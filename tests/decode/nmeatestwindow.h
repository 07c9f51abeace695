#pragma once

#include "gpslogtypedialog.h"
#include "gpsnavdialog.h"
#include "gpsrxdialog.h"
#include "gpsserialportthread.h"
#include "mainwindow.h"
#include "receiverinfo.h"
#include "testsupport.h"

#include <QTest>

#include <algorithm>
#include <iterator>

// A main window for feeding sentences to the NMEA decoder straight, without a port,
// from a generic NMEA receiver with no tick waiting.
namespace NmeaTestWindow {

// The text with its "*hh", as the port hands sentences on.
inline QByteArray Sentence(const QByteArray& text)
{
    QByteArray sentence = text;
    GpsSerialPortThread::AppendNmeaChecksum(sentence);
    return sentence;
}

inline MainWindow* Create()
{
    TestSupport::ClearSettings();
    QTest::ignoreMessage(QtWarningMsg, "WARNING: Failed to open GPS serial port.");
    auto* window = new MainWindow;
    window->bGpsSearchActive = false;
    return window;
}

inline void Reset(MainWindow* window)
{
    receiverInfo.ResetIdentity();
    receiverInfo.gpsPortMode = GpsPortModeGenericNmea;
    receiverInfo.receiverModel = ReceiverModelGenericNmea;
    for (QString* filter : {&window->lastZdaSentence, &window->lastGsaSentence, &window->lastGsvSentence,
                            &window->lastGllSentence, &window->lastRmcSentence, &window->lastVtgSentence})
        filter->clear();
    for (bool& flag : window->bPpsAwaitingTime)
        flag = false;
    window->bNmeaTimeTaken = false;
    window->bTimeMessageSeen = false;
    window->bGpsRawDataVisible = false;
    window->bLogThisSecond = false;
    window->dgpsState = 0;
    window->gpsRxDialog->bRxOnLocalTime = false;
    window->gpsLogTypeDialog->gpsLogType = 0;
    std::fill(std::begin(window->satellites), std::end(window->satellites), window->emptySatelliteRecord);
    std::fill(std::begin(window->satelliteDisplayTable), std::end(window->satelliteDisplayTable),
              window->emptySatelliteRecord);
    GpsNavDialog* nav = window->gpsNavDialog;
    nav->navMode = 0;
    nav->fixStatus = -1;
    nav->satellitesUsed = -1;
    nav->speedKnots = -1.0;
    nav->headingDegrees = -1.0;
    nav->gdop = nav->pdop = nav->hdop = nav->vdop = nav->tdop = 0.0;
    nav->currentLat = nav->currentLon = nav->currentAltGps = nav->currentAltMsl = 0.0;
}

}  // namespace NmeaTestWindow
