#include "gpsrxtype.h"

#include "ui_gpsrxtype.h"
#include "windowgeometry.h"

#include <QCloseEvent>
#include <QSettings>

namespace {

const QString kChoiceKey = QStringLiteral("GpsRxType/PPS Interface");
const QString kGeometryKey = QStringLiteral("GpsRxType/geometry");

// Indexed by choice - 1: VP/XT/PVT6, UT/UT+, GT/GT+/SL and M12 columns in turn. The VP
// column keeps its three firmware generations apart because the altitude of its
// position messages changed meaning between them.
constexpr GpsRxType::Receiver kReceivers[] = {
    {10, 6.9, 8}, {10, 7.0, 8}, {10, 8.0, 8}, {10, 8.8, 8},
    {8, 1.5, 8},  {8, 1.6, 8},  {8, 2.0, 8},
    {1, 1.5, 8},  {1, 1.6, 8},  {1, 2.0, 8},
    {3, 1.0, 12},
};

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
    ShowStoredChoice();
}

void GpsRxType::ShowStoredChoice()
{
    const QString stored = QSettings().value(kChoiceKey).toString();
    bool matched = false;
    // Texts repeat across columns; as the group is exclusive the last match stays checked.
    for (QObject* child : ui->RxTypeButtonGroup->children()) {
        auto* button = qobject_cast<QRadioButton*>(child);
        if (button && button->text() == stored) {
            button->setChecked(true);
            matched = true;
        }
    }
    if (!matched)
        ui->RadioButton_IDC_ONCORE_VP_11->setChecked(true);
}

bool GpsRxType::HasStoredChoice()
{
    return QSettings().contains(kChoiceKey);
}

int GpsRxType::CheckedChoice() const
{
    return qMax(0, ui->GpsRxTypeButtonGroup->checkedId());
}

GpsRxType::Receiver GpsRxType::ReceiverOfChoice(int choice)
{
    if (choice < 1 || choice > int(std::size(kReceivers)))
        return Receiver();
    return kReceivers[choice - 1];
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
