#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

/**
 * The About window: the program's title and version, the data-service
 * account in use, and a button for the system information report.
 */
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    /** Starts the system information program, or tells the user that it is
     *  unavailable (it always is on this system). */
    void StartSysInfo();

    /**
     * Reads a text value from the registry store.
     * @param root       the root key (RegistryStore::HKEY_...)
     * @param keyName    the key below the root
     * @param valueName  the value's name
     * @param value      receives the text, "" when it cannot be read
     * @return true when the value was read
     */
    static bool GetKeyValue(qint32 root, const QString& keyName, const QString& valueName, QString& value);

private slots:
    void cmdOK_Click();
    void cmdSysInfo_Click();

private:
    QLabel* m_lblTitle = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_lblReg = nullptr;
    QLabel* m_lblDescription = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdSysInfo = nullptr;
};
