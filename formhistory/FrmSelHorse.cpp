#include "formhistory/FrmSelHorse.h"

#include "core/HttpRequest.h"
#include "core/modDatabase.h"
#include "core/modJockeyWeb.h"
#include "core/modOpeners.h"
#include "core/modShared.h"
#include "core/modUtils.h"
#include "formhistory/FormHistoryCommon.h"
#include "platform/Grid.h"
#include "platform/ImageList.h"
#include "platform/PopMenu.h"
#include "platform/Prompts.h"

#include <QDate>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
constexpr int kRowHeight = 18;
constexpr int kColHorse = 1;
constexpr int kColTrainer = 7;
// The most horses a search asks for (its LIMIT).
constexpr int kMaxHorses = 30;

QDate readDate(const QString& text)
{
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t.left(10), Qt::ISODate);
    if (!d.isValid())
        d = QDate::fromString(t, QStringLiteral("d/M/yyyy"));
    return d;
}
} // namespace

FrmSelHorse::FrmSelHorse(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmSelHorse"));
    setWindowTitle(QStringLiteral("Select a Horse"));
    resize(680, 420);

    imlGrdRace = ImageList::gridRaceIcons(this);
    imlGrdRace->setObjectName(QStringLiteral("imlGrdRace"));

    auto* label = new QLabel(QStringLiteral("Enter part of horse name to search. "), this);
    txtHorse = new QLineEdit(this);
    txtHorse->setObjectName(QStringLiteral("txtHorse"));
    cmdSeachHorse = new QPushButton(QStringLiteral("?"), this);
    cmdSeachHorse->setObjectName(QStringLiteral("cmdSeachHorse"));
    cmdSeachHorse->setDefault(true);
    grdSelHorse = new Grid(this);
    grdSelHorse->setObjectName(QStringLiteral("grdSelHorse"));
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(8.25);
    grdSelHorse->setFont(verdana);
    grdSelHorse->setRowMode(true);
    grdSelHorse->setEditOnDoubleClick(false);

    auto* search = new QHBoxLayout;
    search->addWidget(label);
    search->addWidget(txtHorse, 1);
    search->addWidget(cmdSeachHorse);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(search);
    layout->addWidget(grdSelHorse, 1);

    connect(cmdSeachHorse, &QPushButton::clicked, this, &FrmSelHorse::cmdSeachHorse_Click);
    connect(grdSelHorse, &Grid::dblClick, this, [this](int, int) { grdSelHorse_OnDblClick(); });
    connect(grdSelHorse, &Grid::mouseUp, this,
            [this](int button, int, int x, int y) { grdSelHorse_OnMouseUp(button, x, y); });
}

FrmSelHorse::~FrmSelHorse() = default;

void FrmSelHorse::Open()
{
    FrmSelHorse window;
    window.Form_Load();
    Prompts::ShowModal(&window);
}

QString FrmSelHorse::SearchSql(const QString& typed)
{
    return QStringLiteral("SELECT * From HORSMAST where Instr(HHORSE,'") + modDatabase::RemoteSqlQuote(typed.toUpper()) +
           QStringLiteral("') and hWinage > 0 order by HWinAge, hhorse LIMIT 0,") + QString::number(kMaxHorses) +
           QStringLiteral(" ");
}

void FrmSelHorse::Form_Load()
{
    popMenu = std::make_unique<PopMenu>(this, imlGrdRace);
    popMenu->clear();
    popMenu->addItem(QStringLiteral("Horse &Form"), QStringLiteral("Display the Horses Form Data"),
                     QStringLiteral("Horse Form"), ImageList::IconHorseForm);
    popMenu->addItem(QStringLiteral("&Rego Seach"), QStringLiteral("Display Horse Recistration"),
                     QStringLiteral("Rego"), ImageList::IconRego);
    popMenu->addItem(QStringLiteral("Horse Ra&ting"), QStringLiteral("Display Horse Racting(Vic)"),
                     QStringLiteral("Rating"), ImageList::IconRating);
    popMenu->addItem(QStringLiteral("Trainer Form"), QStringLiteral("Display Tainers Form"),
                     QStringLiteral("Trainer"), ImageList::IconTrainer);
    popMenu->addItem(QStringLiteral("&Video Form"), QStringLiteral("Display Video Form"), QStringLiteral("Video"),
                     ImageList::IconVideo, false);
    popMenu->store(QStringLiteral("Horse"));

    grdSelHorse->clearGrid();
    grdSelHorse->addColumn(QStringLiteral("Horse"), QStringLiteral("Horse"), 130, Qt::AlignLeft);
    grdSelHorse->addColumn(QStringLiteral("DoB"), QStringLiteral("DoB"), 70, Qt::AlignHCenter, Grid::SortDate, false);
    grdSelHorse->addColumn(QStringLiteral("Sire"), QStringLiteral("Sire"), 130, Qt::AlignLeft);
    grdSelHorse->addColumn(QStringLiteral("Dam"), QStringLiteral("Dam"), 130, Qt::AlignLeft);
    grdSelHorse->addColumn(QStringLiteral("Age"), QStringLiteral("Age"), 40, Qt::AlignHCenter);
    grdSelHorse->addColumn(QStringLiteral("Sex"), QStringLiteral("Sex"), 20, Qt::AlignLeft);
    grdSelHorse->addColumn(QStringLiteral("Trainer"), QStringLiteral("Trainer"), 100, Qt::AlignLeft);
    grdSelHorse->setTag(QStringLiteral("ex_columns,ex_font,ex_left"));
    grdSelHorse->setDefaultRowHeight(kRowHeight);
    // A caption wider than its column ("Sex" in 20 pixels) widens the column
    // so the heading can be read; the trainer takes the width left over.
    const QFontMetrics fm(grdSelHorse->horizontalHeader()->font());
    for (int col = 1; col <= grdSelHorse->columns(); ++col) {
        const int needed = fm.horizontalAdvance(grdSelHorse->colHeader(col)) + 12;
        if (grdSelHorse->colWidth(col) < needed)
            grdSelHorse->setColWidth(col, needed);
    }
    grdSelHorse->setStretchLastColumn(true);
}

void FrmSelHorse::cmdSeachHorse_Click()
{
    if (txtHorse->text().isEmpty()) {
        Prompts::MsgBox(QStringLiteral("Enter Part of Horsname and enter"), Prompts::vbCritical);
        return;
    }
    // The wait lets a second click through: it must not start a second search.
    if (!cmdSeachHorse->isEnabled())
        return;
    HourGlass busy;
    cmdSeachHorse->setEnabled(false);
    const QString searched = txtHorse->text();
    const QString reply =
        modDatabase::HttpRequest(modDatabase::RemoteQueryUrl(SearchSql(searched)), QStringLiteral("GET"));
    cmdSeachHorse->setEnabled(true);
    // "SELECT *" gives every column of the server's horse table, of which the
    // first seven are read: at least seven, the same in every row. A web page,
    // noise or rows of another query (no horse named with the searched text)
    // sent with status 200 are one message and list nothing.
    const QString problem = modDatabase::ReplyProblem(reply, 7, modDatabase::FieldCount::AtLeast, searched);
    if (!problem.isEmpty()) {
        busy.release();
        modDatabase::ReportConnectionError(problem);
        return;
    }
    if (reply.compare(QStringLiteral(" ")) < 0) {
        busy.release();
        Prompts::MsgBox(QStringLiteral("No Horse Found with Characters"), Prompts::vbOKOnly, QStringLiteral("Error"));
        return;
    }

    grdSelHorse->setRedraw(false);
    grdSelHorse->clearRows();
    // Never more rows than the search asks for.
    const QStringList pieces = modDatabase::ReplyFirstRows(reply, kMaxHorses).split(QStringLiteral("<br>"));
    for (int i = 0; i < pieces.size(); ++i) {
        QString piece = pieces[i];
        // Every row but the first starts with the line feed of the row before.
        if (i > 0 && piece.startsWith(QLatin1Char('\n')))
            piece.remove(0, 1);
        const QStringList f = piece.split(QLatin1Char('|'));
        if (f.size() < 3)
            continue;
        const int row = i + 1;
        auto put = [&](const char* key, int index, const QString& text, Qt::Alignment align) {
            if (index < f.size())
                grdSelHorse->setCellDetails(row, grdSelHorse->colIndex(QLatin1String(key)), text,
                                            align | Qt::AlignVCenter);
        };
        auto at = [&f](int index) { return index < f.size() ? f[index] : QString(); };
        put("Horse", 0, modUtils::ProperCase(at(0)), Qt::AlignLeft);
        const QDate dob = readDate(at(1));
        put("DoB", 1, dob.isValid() ? dob.toString(QStringLiteral("dd/MM/yy")) : QString(), Qt::AlignRight);
        put("Sire", 2, modUtils::ProperCase(at(2)), Qt::AlignLeft);
        put("Dam", 3, modUtils::ProperCase(at(3)), Qt::AlignLeft);
        put("Age", 4, at(4), Qt::AlignRight);
        put("Sex", 5, at(5), Qt::AlignLeft);
        put("Trainer", 6, modUtils::ProperCase(at(6)), Qt::AlignLeft);
    }
    grdSelHorse->setRedraw(true);
}

QString FrmSelHorse::selectedText(int col) const
{
    const int row = grdSelHorse->selectedRow();
    if (row < 1 || row > grdSelHorse->rows())
        return QString();
    return grdSelHorse->cellText(row, col);
}

void FrmSelHorse::grdSelHorse_OnDblClick()
{
    const QString horse = selectedText(kColHorse);
    if (horse.isEmpty())
        return;
    gSelHorse = horse;
    gStatsMode = QStringLiteral("horse");
    modOpeners::OpenRaceStats();
}

void FrmSelHorse::grdSelHorse_OnMouseUp(int button, int x, int y)
{
    if (button != 2 || !popMenu)
        return;
    popMenu->restore(QStringLiteral("Horse"));
    const int chosen = popMenu->showAt(grdSelHorse->x() + x, grdSelHorse->y() + y);
    if (chosen <= 0)
        return;
    const QString key = popMenu->itemKey(chosen);
    // Every item acts on the selected row: with none there is nothing to show.
    const QString horse = selectedText(kColHorse);
    if (horse.isEmpty())
        return;
    if (key == QLatin1String("Horse Form")) {
        gSelHorse = horse;
        gStatsMode = QStringLiteral("horse");
        modOpeners::OpenRaceStats();
    } else if (key == QLatin1String("Rating")) {
        gSelHorse = horse;
        modJockey::ShowRbhRating();
    } else if (key == QLatin1String("Rego")) {
        gSelHorse = horse;
        modJockey::ShowRegistrationSearch();
    } else if (key == QLatin1String("Trainer")) {
        const QString trainer = selectedText(kColTrainer);
        if (trainer.isEmpty())
            return;
        gSelTrainer = trainer;
        gStatsMode = QStringLiteral("trainer");
        modOpeners::OpenRaceStats();
    }
}
