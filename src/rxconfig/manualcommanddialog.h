#pragma once

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QString>

class QTreeWidgetItem;

namespace Ui {
class ManualCommandDialog;
}

// Sends one receiver command at a time: one from the catalogue of the current interface
// mode, or one typed by hand. The main window adds the checksum when it sends.
class ManualCommandDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ManualCommandDialog(QWidget* parent = nullptr);
    ~ManualCommandDialog() override;

    void ShowDialog();
    int exec() override;

    struct CatalogueEntry
    {
        const char* label;
        const char* command;  // as it would be typed
    };

    // The queries and controls of the receivers of one interface mode.
    static QList<CatalogueEntry> Catalogue(int gpsPortMode);

    // A typed command as the bytes to send, without checksum: a "$" sentence, "@@" and
    // two id letters followed by hex bytes, or the hex bytes of a UBX frame whose length
    // field matches its payload. False, with the reason, for anything else.
    static bool ParseCommand(const QString& text, QByteArray& command, QString& error);

    // The command completed with its checksum as the main window sends it, shown with
    // every byte that is not text as "<%2.2X>".
    static QString FramePreview(QByteArray command);

    // Nothing can go out in the receive-only mode or with the port switched off.
    static bool IsSendAllowed();

signals:
    // One command for the receiver; the main window completes and sends it.
    void sendGpsMessage(QByteArray qbComand);

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void IDC_MANCMD_LIST_currentItemChanged(QTreeWidgetItem* item);
    void IDC_MANCMD_COMMAND_textEdited(const QString& text);
    void IDC_MANCMD_SEND_clicked();
    void CANCEL_clicked();

private:
    void FillCommandList();
    void ShowPreview();

    Ui::ManualCommandDialog* ui;
    QList<CatalogueEntry> entries;
};
