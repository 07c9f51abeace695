#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class CoaxDialog;
}

class QComboBox;
class QLineEdit;

// Cable delay calculator: the delay of up to two coax runs from their lengths and the
// velocity factors of their cables, and the sum of both. The caller names the settings
// group under which the inputs are remembered, and reads totalDelayNs after OK.
class CoaxDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CoaxDialog(QWidget* parent = nullptr);
    ~CoaxDialog() override;

    int exec() override;

    // The velocity factor a cable text names: the first number of the form ".66" or
    // "+0.66" anywhere in it, else the factor of a cable name from the table, else 0.
    static double VelocityFactorOf(const QString& text);

    // Delay in ns, to the nearest 0.1 ns (halves up), of a run of the given length in
    // feet (bFeet) or metres; 0 when the velocity factor is 0. Bounded to the int range
    // in tenths of a ns, so a tiny typed factor gives a large delay, never an undefined one.
    static double RunDelayNs(double length, bool bFeet, double velocityFactor);

    // The sum of two run delays to the nearest 0.1 ns.
    static double TotalDelayNs(double delay1Ns, double delay2Ns);

    double totalDelayNs = 0.0;  // ns, both runs; taken from the total field by OK
    QString dimension1;         // "Feet" or "Meters"
    QString velocityFactor1;
    QString dimension2;
    QString velocityFactor2;
    QString settingsGroup;      // in front of every settings key; set by the caller

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void IDC_DC_LENGTH1_textEdited(QString arg1);
    void IDC_DC_LENGTH1_editingFinished();
    void IDC_DC_LENGTH2_textEdited(QString arg1);
    void IDC_DC_LENGTH2_editingFinished();
    void IDC_DC_LEN_DIM1_currentIndexChanged(int arg1);
    void IDC_DC_LEN_DIM2_currentIndexChanged(int arg1);
    void IDC_DC_VF1_currentIndexChanged(int arg1);
    void IDC_DC_VF2_currentIndexChanged(int arg1);
    void IDC_DC_VF1_editTextChanged(QString arg1);
    void IDC_DC_VF2_editTextChanged(QString arg1);

private:
    void OnOK();
    void OnCancel();
    void RecalculateDelay();
    bool CheckIntegerField(QString text, int min, int max, bool bReport);
    void LengthEdited(QLineEdit* field, const QString& text);
    bool LengthFinished(QLineEdit* field);
    void LoadCoaxSettings();
    void SaveCoaxSettings();
    void SaveGeometry();

    Ui::CoaxDialog* ui;
};
