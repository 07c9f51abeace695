// Every window class of the program with a way to make one: the screenshot tool and the
// form-fit test go through the same list, so a new window is pictured and checked alike.
#pragma once

#include "aboutbox.h"
#include "coaxdialog.h"
#include "gpslogtypedialog.h"
#include "gpsnavdialog.h"
#include "gpsportdialog.h"
#include "gpsrawdatadialog.h"
#include "gpsrxdialog.h"
#include "gpsrxiddialog.h"
#include "gpsrxtype.h"
#include "manualcommanddialog.h"
#include "referencelocationdialog.h"
#include "satazelchartdialog.h"
#include "satelliteselect.h"
#include "setpcclockdialog.h"
#include "telnetlink.h"
#include "ticfiledialog.h"
#include "ticportdialog.h"
#include "ticprocesseddatadialog.h"
#include "ticrawdatadialog.h"
#include "timingdialog.h"

#include <functional>
#include <utility>
#include <vector>

namespace AllWindows {

using Factory = std::function<QWidget*(QWidget*)>;

template <typename T>
std::pair<const char*, Factory> Make(const char* name)
{
    return {name, [](QWidget* parent) { return new T(parent); }};
}

inline const std::vector<std::pair<const char*, Factory>>& Dialogs()
{
    static const std::vector<std::pair<const char*, Factory>> dialogs = {
        Make<AboutBox>("AboutBox"), Make<CoaxDialog>("CoaxDialog"),
        Make<GpsLogTypeDialog>("GpsLogTypeDialog"), Make<GpsNavDialog>("GpsNavDialog"),
        Make<GpsPortDialog>("GpsPortDialog"), Make<GpsRawDataDialog>("GpsRawDataDialog"),
        Make<GpsRxDialog>("GpsRxDialog"), Make<GpsRxIdDialog>("GpsRxIdDialog"),
        Make<GpsRxType>("GpsRxType"), Make<ManualCommandDialog>("ManualCommandDialog"),
        Make<ReferenceLocationDialog>("ReferenceLocationDialog"),
        Make<SatAzElChartDialog>("SatAzElChartDialog"), Make<SatelliteSelect>("SatelliteSelect"),
        Make<SetPcClockDialog>("SetPcClockDialog"), Make<TelnetLink>("TelnetLink"),
        Make<TicFileDialog>("TicFileDialog"), Make<TicPortDialog>("TicPortDialog"),
        Make<TicProcessedDataDialog>("TicProcessedDataDialog"),
        Make<TicRawDataDialog>("TicRawDataDialog"), Make<TimingDialog>("TimingDialog"),
    };
    return dialogs;
}

} // namespace AllWindows
