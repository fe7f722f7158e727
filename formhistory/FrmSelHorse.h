#pragma once

#include <QDialog>

#include <memory>

class Grid;
class ImageList;
class PopMenu;
class QLineEdit;
class QPushButton;

/**
 * The remote horse search: horses of the form database whose name holds the
 * typed text, youngest first, at most 30. From the list the manager opens the
 * horse's statistics, its rating page or registration search, or its
 * trainer's statistics.
 */
class FrmSelHorse : public QDialog
{
    Q_OBJECT

public:
    explicit FrmSelHorse(QWidget* parent = nullptr);
    ~FrmSelHorse() override;

    /** Shows the window modally (the main window's Find Horse button). */
    static void Open();

    /** The search SQL for a typed text. */
    static QString SearchSql(const QString& typed);

    void Form_Load();
    void cmdSeachHorse_Click();
    void grdSelHorse_OnDblClick();
    /** Right button: the pop-up menu for the selected row, at (x, y) of the grid. */
    void grdSelHorse_OnMouseUp(int button, int x, int y);

    QLineEdit* txtHorse = nullptr;
    QPushButton* cmdSeachHorse = nullptr;
    Grid* grdSelHorse = nullptr;
    ImageList* imlGrdRace = nullptr;
    std::unique_ptr<PopMenu> popMenu;

private:
    /** Column 1 or 7 of the selected row; empty when no row is selected. */
    QString selectedText(int col) const;
};
