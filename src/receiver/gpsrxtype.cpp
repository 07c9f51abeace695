#include "gpsrxtype.h"

#include "receivermodels.h"
#include "ui_gpsrxtype.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QSettings>

namespace {

const QString kChoiceKey = QStringLiteral("GpsRxType/PPS Interface");
const QString kGeometryKey = QStringLiteral("GpsRxType/geometry");

struct Choice
{
    const char* text;         // the button's text
    int model;                // the first model of its column
    const char* versionText;  // a firmware version inside the button's range
};

// Indexed by choice - 1: the VP/XT/PVT6, UT/UT+, GT/GT+/SL and M12 columns in turn. The
// versions keep the VP generations apart because the meaning of the altitude in their
// NMEA fix data changed at 7.0 and again at 8.8.
constexpr Choice kChoices[] = {
    {"up to 6.9", 10, "6.0"}, {"7.0 - 7.9", 10, "7.0"}, {"8.0 - 8.7", 10, "8.0"}, {"8.8 and up", 10, "8.8"},
    {"up to 1.5", 8, "1.0"},  {"1.6 - 1.9", 8, "1.6"},  {"2.0 and up", 8, "2.0"},
    {"up to 1.5", 1, "1.0"},  {"1.6 - 1.9", 1, "1.6"},  {"2.0 and up", 1, "2.0"},
    {"1.0 and up", 3, "1.0"},
};
constexpr int kDefaultChoice = 11;

}  // namespace

GpsRxType::GpsRxType(QWidget* parent) : QDialog(parent), ui(new Ui::GpsRxType)
{
    ui->setupUi(this);
    setFixedSize(size());
    const QList<QRadioButton*> buttons = {
        ui->RadioButton_IDC_ONCORE_VP_1, ui->RadioButton_IDC_ONCORE_VP_2,
        ui->RadioButton_IDC_ONCORE_VP_3, ui->RadioButton_IDC_ONCORE_VP_4,
        ui->RadioButton_IDC_ONCORE_VP_5, ui->RadioButton_IDC_ONCORE_VP_6,
        ui->RadioButton_IDC_ONCORE_VP_7, ui->RadioButton_IDC_ONCORE_VP_8,
        ui->RadioButton_IDC_ONCORE_VP_9, ui->RadioButton_IDC_ONCORE_VP_10,
        ui->RadioButton_IDC_ONCORE_VP_11,
    };
    for (int i = 0; i < buttons.size(); ++i)
        ui->GpsRxTypeButtonGroup->setId(buttons[i], i + 1);
    connect(ui->OK, &QPushButton::clicked, this, &GpsRxType::OnOk);
}

GpsRxType::~GpsRxType()
{
    delete ui;
}

int GpsRxType::exec()
{
    LoadRxType();
    return QDialog::exec();
}

void GpsRxType::LoadRxType()
{
    WindowGeometry::Restore(this, kGeometryKey);
    if (QAbstractButton* button = ui->GpsRxTypeButtonGroup->button(StoredChoice()))
        button->setChecked(true);
}

int GpsRxType::ChoiceOfText(const QString& text)
{
    int choice = 0;
    for (int i = 0; i < int(std::size(kChoices)); ++i) {
        if (text == QLatin1String(kChoices[i].text))
            choice = i + 1;
    }
    return choice > 0 ? choice : kDefaultChoice;
}

int GpsRxType::StoredChoice()
{
    return ChoiceOfText(QSettings().value(kChoiceKey).toString());
}

QString GpsRxType::ChoiceText(int choice)
{
    if (choice < 1 || choice > int(std::size(kChoices)))
        return QString();
    return QString::fromLatin1(kChoices[choice - 1].text);
}

GpsRxType::Receiver GpsRxType::ReceiverOfChoice(int choice)
{
    Receiver rx;
    if (choice < 1 || choice > int(std::size(kChoices)))
        return rx;
    const Choice& c = kChoices[choice - 1];
    rx.model = c.model;
    rx.firmwareVersionText = QString::fromLatin1(c.versionText);
    // The identification keeps its version in single precision; so does this record.
    rx.firmwareVersion = static_cast<double>(rx.firmwareVersionText.toFloat());
    rx.channelCount = ReceiverModels::ModelChannels(c.model);
    return rx;
}

void GpsRxType::SavePpsInterface()
{
    WindowGeometry::Save(this, kGeometryKey);
    QAbstractButton* checked = ui->GpsRxTypeButtonGroup->checkedButton();
    QSettings().setValue(kChoiceKey, checked ? checked->text() : QString());
}

void GpsRxType::closeEvent(QCloseEvent* event)
{
    WindowGeometry::Save(this, kGeometryKey);
    QDialog::closeEvent(event);
}

void GpsRxType::OnOk()
{
    SavePpsInterface();
    done(1);
}
