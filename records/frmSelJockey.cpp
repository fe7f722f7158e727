#include "records/frmSelJockey.h"

#include "core/HttpRequest.h"
#include "core/modDatabase.h"
#include "core/modShared.h"
#include "core/modUtils.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "platform/WaitCursor.h"

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>

namespace JockeySearch
{
QString SearchWord(const QString& typedName)
{
    // A name ending in a blank would otherwise search for the empty word,
    // which every jockey of the remote table contains.
    return modUtils::LastWord(typedName.trimmed()).toUpper();
}

QString SearchSql(const QString& word)
{
    return QStringLiteral("SELECT WJockey From WORKRACE where INSTR(WJockey,'") + modDatabase::RemoteSqlQuote(word) +
           QStringLiteral("') Group by WJockey");
}

QStringList ReplyNames(const QString& reply)
{
    QStringList names;
    const QStringList pieces = reply.split(QStringLiteral("<br>"));
    for (const QString& piece : pieces)
    {
        const QString name = piece.trimmed();
        if (!name.isEmpty())
            names << modUtils::ProperCase(name);
    }
    return names;
}
} // namespace JockeySearch

frmSelJockey::frmSelJockey(QLineEdit* nameBox, QWidget* parent) : QDialog(parent), m_nameBox(nameBox)
{
    setObjectName(QStringLiteral("frmSelJockey"));
    setWindowTitle(QStringLiteral("Select a Jockey"));
    grdSelJockey = new Grid(this);
    grdSelJockey->setObjectName(QStringLiteral("grdSelJockey"));
    grdSelJockey->setFont(QFont(QStringLiteral("Verdana"), 9));
    grdSelJockey->setHeaderVisible(false);
    grdSelJockey->setHeaderButtons(false);
    grdSelJockey->setColumnsMovable(false);
    grdSelJockey->setStretchLastColumn(true);
    grdSelJockey->setAlternateRowColor(0xD3FEED);
    grdSelJockey->setRowMode(true);
    grdSelJockey->addColumn(QString());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grdSelJockey);
    resize(300, 360);
    connect(grdSelJockey, &Grid::cellPick, this, &frmSelJockey::grdSelJockey_OnCellPick);
}

void frmSelJockey::OpenSearch(QLineEdit* nameBox, QWidget* parent)
{
    frmSelJockey window(nameBox, parent);
    if (window.Search())
        Prompts::ShowModal(&window);
}

bool frmSelJockey::Search()
{
    const QString word = JockeySearch::SearchWord(m_nameBox ? m_nameBox->text() : QString());
    if (word.isEmpty())
        return false;
    WaitCursor wait;
    const QString reply =
        modDatabase::HttpRequest(modDatabase::RemoteQueryUrl(JockeySearch::SearchSql(word)), QStringLiteral("GET"));
    wait.restore();
    grdSelJockey->setRows(0);
    // A failure, a web page or noise sent with status 200 is one message and
    // lists no name; so is a line that does not hold the searched word, which
    // every name the query asks for does.
    const QString problem = modDatabase::ReplyProblem(reply, 1, modDatabase::FieldCount::Exactly, word);
    if (!problem.isEmpty())
    {
        modDatabase::ReportConnectionError(problem);
        return true; // the list opens empty
    }
    const QStringList names = JockeySearch::ReplyNames(reply);
    if (names.isEmpty())
    {
        Prompts::MsgBox(QStringLiteral("No Jockey Found with Surname"), Prompts::vbOKOnly, QStringLiteral("Error"));
        return false;
    }
    grdSelJockey->setRedraw(false);
    for (int i = 0; i < names.size(); ++i)
        grdSelJockey->setCellText(i + 1, 1, names.at(i));
    grdSelJockey->setRedraw(true);
    return true;
}

void frmSelJockey::grdSelJockey_OnCellPick(int row, int col)
{
    gCellPicked = row >= 1 && col >= 1;
    if (!gCellPicked)
        return;
    const QString name = grdSelJockey->cellText(row, col);
    // An empty cell would wipe the typed name.
    if (name.isEmpty())
        return;
    if (m_nameBox)
        m_nameBox->setText(name);
    accept();
}
