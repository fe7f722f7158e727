#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>

class Grid;
class QLineEdit;

/** The pieces of the remote jockey search that need no window. */
namespace JockeySearch
{
/** The word searched for: the last word of the typed name, trailing blanks
 *  ignored, in upper case ("john smith " gives "SMITH"); "" when nothing is
 *  typed. */
QString SearchWord(const QString& typedName);
/** The remote SQL for a search word, quoted for remote SQL (quotes and
 *  backslashes doubled). */
QString SearchSql(const QString& word);
/** The names of a remote reply in proper case, in reply order: one per
 *  "<br>"-separated piece, trimmed; empty pieces (the final line feed) give
 *  no row. */
QStringList ReplyNames(const QString& reply);
} // namespace JockeySearch

/**
 * The remote jockey search: lists every jockey name of the remote race table
 * that contains the last word of the jockey window's name box, and writes the
 * picked name back into that box. Nothing is saved.
 */
class frmSelJockey : public QDialog
{
    Q_OBJECT

public:
    /** `nameBox` is the jockey window's name box (read now, written on a pick). */
    explicit frmSelJockey(QLineEdit* nameBox, QWidget* parent = nullptr);

    /**
     * Runs the search for the name box's text and shows the list modally.
     * An "Error:" reply is shown titled "Connection error" and the list opens
     * empty; when nothing is found the user is told and no window is shown.
     * An empty search word sends nothing and shows nothing.
     */
    static void OpenSearch(QLineEdit* nameBox, QWidget* parent = nullptr);

    /** Sends the search and fills the list; false when nothing was found
     *  (the window is then not to be shown). */
    bool Search();

    Grid* grdSelJockey = nullptr;

public slots:
    /** A cell was picked: a non-empty name goes into the name box and the
     *  window closes; an empty cell is ignored. */
    void grdSelJockey_OnCellPick(int row, int col);

private:
    QPointer<QLineEdit> m_nameBox;
};
