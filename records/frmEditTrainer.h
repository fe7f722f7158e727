#pragma once

#include "core/modOpeners.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

/**
 * The trainer record editor: location, phone, mobile, comments and the ignore
 * flag of one trainer's Trainer row. A trainer without a row is added with the
 * contact fields the main window already shows.
 *
 * The window never reaches into the main window: it is opened with the
 * trainer's name and the main window's contact boxes (TrainerEditRequest) and
 * leaves what the trainer list's row and the boxes should now show in
 * result(). The row is read once, when the window is opened, so switching
 * away and back never throws typed text away. The name box is read-only: the
 * name is the row's key and comes from the opener.
 */
class frmEditTrainer : public QDialog
{
    Q_OBJECT

public:
    explicit frmEditTrainer(const TrainerEditRequest& request, QWidget* parent = nullptr);

    /** Opens the editor for `request` modally; returns what was saved. */
    static TrainerEditResult EditTrainer(const TrainerEditRequest& request, QWidget* parent = nullptr);

    /** What the trainer list's row and the contact boxes should show; saved
     *  is false until Add or Update has written the row. */
    const TrainerEditResult& result() const { return m_result; }

    // Controls (items 0-2 and 4 of the text boxes, the mobile box, the check box).
    QLineEdit* txtTrainerName = nullptr;     // "Trainer Name:" (item 0)
    QLineEdit* txtTrainerLocation = nullptr; // "Trainer Location:" (item 1)
    QLineEdit* txtPhone = nullptr;           // "Phone:" (item 2)
    QLineEdit* mskTrainerMobile = nullptr;   // "Trainer Mobile:"
    QLineEdit* txtTrainerComments = nullptr; // "Trainer Comments:" (item 4)
    QCheckBox* chkIgnoreTrainer = nullptr;   // "IgnoreTrainer:" (item 5)
    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdUpdate = nullptr;
    QPushButton* cmdClose = nullptr;

public slots:
    void cmdAdd_Click();
    void cmdUpdate_Click();
    void cmdClose_Click();

private:
    /** Reads the trainer's row (once) and fills the boxes, or prepares a new row. */
    void LoadTrainer();
    /** Fills result() from the boxes after a successful write. */
    void keepResult(bool added);

    TrainerEditRequest m_request;
    TrainerEditResult m_result;
};
