#include "gpsrxtype.h"

#include "receivermodels.h"
#include "ui_gpsrxtype.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QSettings>

namespace {

const QString kChoiceKey = QStringLiteral("GpsRxType/PPS Interface");
// The UT and GT columns share their button texts, so the text alone cannot tell them apart.
const QString kColumnKey = QStringLiteral("GpsRxType/Receiver Column");
const QString kGeometryKey = QStringLiteral("GpsRxType/geometry");

struct Choice
{
    const char* column;       // the stored name of its column
    const char* text;         // the button's text
    int model;                // the first model of its column
    const char* versionText;  // a firmware version inside the button's range
};

// Indexed by choice - 1: the VP/XT/PVT6, UT/UT+, GT/GT+/SL and M12 columns in turn. The
// versions keep the VP generations apart because the meaning of the altitude in their
// NMEA fix data changed at 7.0 and again at 8.8.
constexpr Choice kChoices[] = {
    {"VP", "up to 6.9", 10, "6.0"}, {"VP", "7.0 - 7.9", 10, "7.0"},
    {"VP", "8.0 - 8.7", 10, "8.0"}, {"VP", "8.8 and up", 10, "8.8"},
    {"UT", "up to 1.5", 8, "1.0"},  {"UT", "1.6 - 1.9", 8, "1.6"},  {"UT", "2.0 and up", 8, "2.0"},
    {"GT", "up to 1.5", 1, "1.0"},  {"GT", "1.6 - 1.9", 1, "1.6"},  {"GT", "2.0 and up", 1, "2.0"},
    {"M12", "1.0 and up", 3, "1.0"},
};
constexpr int kChoiceCount = int(std::size(kChoices));
constexpr int kDefaultChoice = 11;

// The last choice with this text, within column unless column is empty; 0 for none.
int ChoiceOfText(const QString& text, const QString& column)
{
    int choice = 0;
    for (int i = 0; i < kChoiceCount; ++i) {
        if (text == QLatin1String(kChoices[i].text)
            && (column.isEmpty() || column == QLatin1String(kChoices[i].column)))
            choice = i + 1;
    }
    return choice;
}

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

int GpsRxType::StoredChoice()
{
    const QSettings settings;
    const QString text = settings.value(kChoiceKey).toString();
    const QString column = settings.value(kColumnKey).toString();
    int choice = ChoiceOfText(text, column);
    if (choice == 0)
        choice = ChoiceOfText(text, QString());
    return choice > 0 ? choice : kDefaultChoice;
}

GpsRxType::Receiver GpsRxType::ReceiverOfChoice(int choice)
{
    Receiver rx;
    if (choice < 1 || choice > kChoiceCount)
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
    QSettings settings;
    QAbstractButton* checked = ui->GpsRxTypeButtonGroup->checkedButton();
    settings.setValue(kChoiceKey, checked ? checked->text() : QString());
    const int choice = ui->GpsRxTypeButtonGroup->checkedId();
    if (choice >= 1 && choice <= kChoiceCount)
        settings.setValue(kColumnKey, QString::fromLatin1(kChoices[choice - 1].column));
    else
        settings.remove(kColumnKey);
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
