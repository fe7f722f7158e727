#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

/**
 * The administrator's switch for the main window's Get Data button, behind a
 * fixed password. The choice is stored in the AllowGetData setting, which
 * only this window reads back: the main window shows the button at every
 * start, so hiding it lasts until the program ends.
 */
class frmAllowGet : public QDialog
{
    Q_OBJECT

public:
    /** Shows or hides the main window's Get Data button. */
    using GetDataVisibleHandler = std::function<void(bool visible)>;

    explicit frmAllowGet(QWidget* parent = nullptr);
    ~frmAllowGet() override;

    /** Opens the window modally with the stored setting; returns when it closes. */
    static void OpenSetting(QWidget* parent = nullptr);

    /** Replaces how the Get Data button is reached (an empty function restores
     *  the default: the widget named "CmdGetData" in any top-level window). */
    static void setGetDataVisibleHandler(GetDataVisibleHandler handler);

private slots:
    void cmdAllowGet_Click();

private:
    void LoadSetting();

    bool m_Allowed = false;
    QLineEdit* m_txtPassword = nullptr;
    QLabel* m_TxtAllowGD = nullptr;
    QPushButton* m_cmdAllowGet = nullptr;
};
