#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

/**
 * The System Defaults window: default state, database folder, data server,
 * data-service account and the invoice details. Nothing is stored until the
 * save button is pressed; then every field is written to the settings and
 * the settings are saved.
 */
class frmState : public QDialog
{
    Q_OBJECT

public:
    explicit frmState(QWidget* parent = nullptr);
    ~frmState() override;

    /** Fills the fields from the settings and shows the window modally;
     *  returns when it closes. */
    static void OpenSetting(QWidget* parent = nullptr);

    /** Fills the fields from the settings and the account in use. */
    void LoadFields();

private slots:
    void cmdBrowse_Click();
    void cmdChange_Click();

private:
    /** Widens the boxes to show the database path whole, as far as the
     *  screen allows, from its start. */
    void fitPathBox();
    QComboBox* m_cmbState = nullptr;
    QLineEdit* m_txtDBPath = nullptr;
    QPushButton* m_cmdBrowse = nullptr;
    QLineEdit* m_txtDataServer = nullptr;
    QLineEdit* m_txtCompanyName = nullptr;
    QLineEdit* m_meABN = nullptr;
    QCheckBox* m_chkGST = nullptr;
    QLineEdit* m_mebNextInvoiceNumber = nullptr;
    QLineEdit* m_txtUser = nullptr;
    QLineEdit* m_txtRegno = nullptr;
    QPushButton* m_cmdChange = nullptr;
};
