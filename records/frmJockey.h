#pragma once

#include "platform/DaoRecordset.h"

#include <QDialog>
#include <QString>

class FormattedLineEdit;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

/**
 * The jockey records: one jockey at a time from table Jockey in name order,
 * with its contact details, highlight colour, full name as published at
 * acceptances and invoice terms. Add New and Update create a jockey (loading
 * all its race results into RaceStats); Delete removes the jockey and its
 * RaceStats rows at once.
 *
 * The window is in Add mode exactly while cmdAdd is disabled.
 */
class frmJockey : public QDialog
{
    Q_OBJECT

public:
    explicit frmJockey(QWidget* parent = nullptr);

    /**
     * Opens the jockeys (all of them, or the one named when `jockeyName` is
     * not blank), shows the first and shows the window modally; returns when
     * it closes.
     */
    static void OpenJockey(QString& jockeyName, QWidget* parent = nullptr);

    /** Opens the recordset for OpenJockey and shows its first record; false
     *  (after telling the user) when the table cannot be read. */
    bool OpenRecords(const QString& jockeyName);

    /** True while a new jockey is being typed in. */
    bool inAddMode() const;
    /** The recordset (tests: position and count). */
    const DaoRecordset& records() const { return m_rs; }

    // The record's controls (text boxes 0-4, masked boxes 0-3, period, date).
    QLineEdit* txtJockey = nullptr;           // item 0, the name box
    QPlainTextEdit* txtJockeyEmail = nullptr; // item 1
    QLineEdit* txtJockeyMobile = nullptr;     // item 2
    QLineEdit* txtJockeyColor = nullptr;      // item 3, the colour box
    QLineEdit* txtFullName = nullptr;         // item 4
    FormattedLineEdit* mebManagerRate = nullptr;
    FormattedLineEdit* mebManBookFee = nullptr;
    FormattedLineEdit* mebScratchFee = nullptr;
    FormattedLineEdit* mebTrialFee = nullptr;
    QComboBox* vblcInvPer = nullptr;
    QDateEdit* dtpLast = nullptr;

    /** The picture: racing silks drawn in the jockey's highlight colour. */
    QLabel* imgJockey = nullptr;

    QPushButton* cmdSeachJockey = nullptr;
    QPushButton* cmdSelColor = nullptr;
    QPushButton* cmdPrevious = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdClose = nullptr;
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdDelete = nullptr;

public slots:
    void cmdAdd_Click();
    void cmdUpdate_Click();
    void cmdDelete_Click();
    void cmdClose_Click();
    void cmdNext_Click();
    void cmdPrevious_Click();
    void cmdSeachJockey_Click();
    void cmdSelColor_Click();
    /** Repaints the colour box from its text (any of the five boxes changed). */
    void txtFields_Change();

    /** True when what the boxes show differs from the jockey shown (or, when
     *  adding, from the empty boxes) and could be saved. */
    bool hasTypedChanges() const;

    /** Escape: the typed changes are offered for saving first. */
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    /** While waiting on the remote service the window takes no command and
     *  cannot be closed. */
    void setBusy(bool busy);
    bool m_busy = false;
    bool m_leaving = false; // the typed changes were settled for this close
    QStringList m_shown;
    /** Copies the current record into the controls; nothing at the end. */
    void ShowJockeyRecord();
    /** "Edit" or "Add"; any other text changes nothing. */
    void SetEditMode(const QString& mode);
    /** Empties the record's controls (a new jockey, or no jockey at all). */
    void clearControls();
    /** False (after saying which box and its size) when a text is longer than its column. */
    bool checkTexts();
    /** False (after telling the user which box) when a rate or fee cannot be
     *  saved: a manager rate that is not a number from 0 to 100 %, a fee that
     *  is not money, negative or beyond the limit. */
    bool checkAmounts();
    /** Writes the controls into the pending AddNew/Edit row. */
    void writeControls();
    /** Saves the new or shown jockey through the checks; false when a check
     *  refused it or the write failed (the typed entries stay). */
    bool saveRecord();
    /** Before the typed changes would be lost (close, Escape, Next, Previous,
     *  Add New, Cancel Update): asks whether to save them. True when the
     *  window may go on: nothing typed, saved, or the user let them go. */
    bool mayLeaveRecord();
    /** What the boxes show, to tell typed changes from the record shown. */
    QStringList entries() const;
    /** The boxes as they stand now count as unchanged. */
    void markShown();
    /** The name is the jockey's key: it can be typed only for a new jockey
     *  (or while no stored jockey is shown), and so can its search. */
    void updateNameBox();
    /** The name box is fit to add: not blank and not a stored jockey's. */
    bool checkNewName(const QString& name);
    void setColorBox(const QColor& color);

    DaoRecordset m_rs;
};
