#include "formhistory/FrmRaceStats.h"

#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "core/modJockeyStats.h"
#include "core/modShared.h"
#include "core/modUtils.h"
#include "formhistory/FormHistoryCommon.h"
#include "formhistory/frmRaceResult.h"
#include "platform/Grid.h"
#include "platform/ImageList.h"
#include "platform/Prompts.h"
#include "platform/Twips.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include <utility>

using namespace FormStats;

namespace
{
FrmRaceStats::ResultOpener g_resultOpener;
bool g_openBusy = false;

constexpr int kRowHeight = 18;
constexpr qint64 kFreshenColor = 65535;  // yellow
constexpr qint64 kSpellColor = 0xFFFFC4; // pale cyan
constexpr qint64 kWhite = 0xFFFFFF;

const QString kCaption = QStringLiteral("Racing Statistics");

/** The settings members of one mode group. */
struct LayoutGroup
{
    QString* order = nullptr;
    QString* widths = nullptr;
    qint32* left = nullptr;
    qint32* top = nullptr;
    qint32* width = nullptr;
    qint32* height = nullptr;
    bool* max = nullptr;
    bool valid() const { return order != nullptr; }
};

LayoutGroup groupOf(const QString& mode)
{
    cAppSettings& s = gAppSettings;
    if (mode == QLatin1String("horse") || mode == QLatin1String("horse/jockey"))
        return {&s.StatHorseOrder, &s.StatHorseWidth, &s.FrmHorseLeft, &s.FrmHorseTop,
                &s.FrmHorseWidth,  &s.FrmHorseHeight, &s.FrmHorseMax};
    if (mode == QLatin1String("jockey"))
        return {&s.StatJockeyOrder, &s.StatJockeyWidth, &s.FrmJockeyLeft, &s.FrmJockeyTop,
                &s.FrmJockeyWidth,  &s.FrmJockeyHeight, &s.FrmJockeyMax};
    if (mode == QLatin1String("trainer") || mode == QLatin1String("trainer/jockey"))
        return {&s.StatTrainerOrder, &s.StatTrainerWidth, &s.FrmTrainerLeft, &s.FrmTrainerTop,
                &s.FrmTrainerWidth,  &s.FrmTrainerHeight, &s.FrmTrainerMax};
    return {};
}
} // namespace

FrmRaceStats::FrmRaceStats(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmRaceStats"));
    setWindowTitle(kCaption);
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    resize(kDesignWidth, kDesignHeight);

    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(8.25);

    imlGrdRace = ImageList::gridRaceIcons(this);
    imlGrdRace->setObjectName(QStringLiteral("imlGrdRace"));

    lblStatsDesc = new QLabel(QStringLiteral("StatsDesc"), this);
    lblStatsDesc->setObjectName(QStringLiteral("lblStatsDesc"));
    QFont labelFont = verdana;
    labelFont.setPointSizeF(11);
    labelFont.setBold(true);
    lblStatsDesc->setFont(labelFont);

    cmdExit = new QPushButton(QStringLiteral("E&xit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setAutoDefault(false);

    GrdSummary = new Grid(this);
    GrdSummary->setObjectName(QStringLiteral("GrdSummary"));
    GrdSummary->setFont(verdana);
    GrdSummary->setHeaderVisible(false);
    GrdSummary->setColumnsMovable(false);
    GrdSummary->setHeaderButtons(false);
    GrdSummary->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    GrdSummary->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    GrdSummary->setFixedHeight(2 * kRowHeight + 2 * GrdSummary->frameWidth() + 2);

    grdStats = new Grid(this);
    grdStats->setObjectName(QStringLiteral("grdStats"));
    grdStats->setFont(verdana);
    grdStats->setRowMode(true);
    grdStats->setEditOnDoubleClick(false);
    // The narrow columns' captions ("Prz Won", "Lmt") fit in a smaller face.
    QFont headerFont = verdana;
    headerFont.setPointSizeF(7);
    grdStats->horizontalHeader()->setFont(headerFont);

    auto* top = new QHBoxLayout;
    top->addWidget(lblStatsDesc, 1);
    top->addWidget(cmdExit);
    auto* summaryRow = new QHBoxLayout;
    summaryRow->addWidget(GrdSummary);
    summaryRow->addStretch(0);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(summaryRow);
    layout->addWidget(grdStats, 1);

    connect(cmdExit, &QPushButton::clicked, this, &FrmRaceStats::cmdExit_Click);
    connect(grdStats, &Grid::columnClick, this, &FrmRaceStats::grdStats_OnColumnClick);
    connect(grdStats, &Grid::dblClick, this, &FrmRaceStats::grdStats_OnDblClick);
}

FrmRaceStats::~FrmRaceStats() = default;

void FrmRaceStats::Open()
{
    // The load waits on the form database with events running: a second
    // statistics command in that time would stack a second window.
    if (g_openBusy)
        return;
    g_openBusy = true;
    FrmRaceStats window;
    window.Form_Load();
    g_openBusy = false;
    // Openers put up the hourglass before they open the window; it ends with
    // the load, not when the window closes.
    DefaultPointer();
    Prompts::ShowModal(&window);
    window.Form_Unload();
}

void FrmRaceStats::setupGrids()
{
    // History grid.
    grdStats->setVisible(false);
    grdStats->setRedraw(false);
    grdStats->clearGrid();
    grdStats->setImageList(imlGrdRace);
    grdStats->setTag(QStringLiteral("ex_columns,ex_font,ex_left"));
    grdStats->setDefaultRowHeight(kRowHeight);
    for (const ColumnSpec& c : Columns()) {
        grdStats->addColumn(QLatin1String(c.key), QLatin1String(c.caption), c.width, c.headerAlign, c.sortType,
                            c.visible);
    }
    int rowWidth = 0;
    for (int col = 2; col <= 26; ++col)
        rowWidth += grdStats->colWidth(col);
    // The row text spans the columns as they were made (screen pixels, not a
    // width to be scaled again).
    grdStats->addColumn(QStringLiteral("Spell"), QString(), -1, Qt::AlignLeft, Grid::SortText, true);
    grdStats->setColWidth(kColSpell, rowWidth);
    grdStats->setRowTextColumn(kColSpell);
    for (const char* key : {"Weight carried", "Prize won", "Limit weight"})
        grdStats->setColTag(ColumnOf(QLatin1String(key)), QStringLiteral("Desc"));
    grdStats->setRowTextStartColumn(ColumnOf(QStringLiteral("Horse")));

    // Summary grid: the headings in row 1, the figures in row 2.
    GrdSummary->setRedraw(false);
    GrdSummary->clearGrid();
    GrdSummary->setTag(QStringLiteral("ex_columns,ex_font,ex_left"));
    GrdSummary->setDefaultRowHeight(kRowHeight);
    static const int widths[] = {100, 88, 78, 78, 78, 78, 94, 78, 78, 78};
    const QStringList& keys = SummaryKeys();
    int summaryWidth = 0;
    for (int i = 0; i < keys.size(); ++i) {
        GrdSummary->addColumn(keys[i], QString(), widths[i], Qt::AlignLeft);
        summaryWidth += GrdSummary->colWidth(i + 1); // as made for the font in use
    }
    QFont headingFont = GrdSummary->font();
    headingFont.setBold(true);
    for (int col = 1; col <= keys.size(); ++col) {
        GrdSummary->setCellDetails(1, col, keys[col - 1], Qt::AlignCenter, -1, SummaryHeadingColor(col), kWhite,
                                   &headingFont);
    }
    GrdSummary->setRows(2);
    GrdSummary->setFixedWidth(summaryWidth + 2 * GrdSummary->frameWidth() + 2);
}

void FrmRaceStats::Form_Load()
{
    m_mode = gStatsMode;
    setupGrids();
    ClearStats();
    LoadRaceStats();
    // However the load ended, both grids are painted.
    grdStats->setRedraw(true);
    GrdSummary->setRedraw(true);
    restoreLayout();
    grdStats->setVisible(true);
}

void FrmRaceStats::restoreLayout()
{
    const LayoutGroup g = groupOf(m_mode);
    if (!g.valid())
        return;
    if (*g.max) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        QRect r = geometry();
        if (*g.left > 0)
            r.moveLeft(Twips::toPixels(*g.left));
        if (*g.top > 0)
            r.moveTop(Twips::toPixels(*g.top));
        if (*g.width > 0)
            r.setWidth(Twips::toPixels(*g.width));
        if (*g.height > 0)
            r.setHeight(Twips::toPixels(*g.height));
        if (r != geometry())
            setGeometry(r);
    }
    grdStats->restoreColWidths(*g.widths);
    grdStats->restoreColOrder(*g.order);
}

void FrmRaceStats::Form_Unload()
{
    const LayoutGroup g = groupOf(m_mode);
    if (!g.valid())
        return;
    if (isMaximized()) {
        *g.max = true;
    } else {
        *g.max = false;
        // A minimised window keeps its normal place and size.
        const QRect r = isMinimized() ? normalGeometry() : geometry();
        *g.left = Twips::fromPixels(r.x());
        *g.top = Twips::fromPixels(r.y());
        *g.width = Twips::fromPixels(r.width());
        *g.height = Twips::fromPixels(r.height());
    }
    *g.widths = grdStats->colWidthList();
    *g.order = grdStats->colOrderList();
}

void FrmRaceStats::closeEvent(QCloseEvent* event)
{
    // Nothing may close the window under its own load.
    if (m_loading) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void FrmRaceStats::cmdExit_Click()
{
    if (!m_loading)
        accept();
}

void FrmRaceStats::ClearStats()
{
    m_counts = Counts{};
}

void FrmRaceStats::AddStatResult(int category, int position)
{
    FormStats::AddStatResult(m_counts, category, position);
}

void FrmRaceStats::LoadRaceStats()
{
    HourGlass busy;
    Request request{gStatsMode, gSelHorse, gSelTrainer, gSelFormTrainer, gSelJockey, modJockey::gJockeyInList};
    const Prepared p = Prepare(request);
    // The window leaves the names as it has always left them.
    gSelHorse = request.horse;
    gSelTrainer = request.trainer;
    gSelFormTrainer = request.formTrainer;
    gSelJockey = request.jockey;
    if (!p.knownMode)
        return;

    grdStats->setColVisible(QStringLiteral("Horse"), p.showHorse);
    grdStats->setColVisible(QStringLiteral("Trainer"), p.showTrainer);
    grdStats->setColVisible(QStringLiteral("Jockey"), p.showJockey);
    setWindowTitle(kCaption + p.captionSuffix);
    lblStatsDesc->setText(p.label);

    if (p.noManagedJockeys) {
        busy.release();
        DefaultPointer();
        Prompts::MsgBox(QStringLiteral("There are no managed jockeys in the jockey list, so there are no rides to "
                                       "show."),
                        Prompts::vbExclamation, QStringLiteral("Racing Statistics"));
        ShowResult(Result{});
        return;
    }

    m_loading = true;
    const QString reply = modDatabase::HttpRequest(modDatabase::RemoteQueryUrl(p.sql), QStringLiteral("GET"));
    m_loading = false;
    // A failure, a web page or noise sent with status 200 is one message,
    // never an empty or garbled history.
    const QString problem = modDatabase::ReplyProblem(reply, FormStats::kReplyFields);
    if (!problem.isEmpty()) {
        busy.release();
        DefaultPointer();
        modDatabase::ReportConnectionError(problem);
        return;
    }
    ShowResult(ReadReply(m_mode, reply));
}

void FrmRaceStats::ShowResult(const Result& result)
{
    const auto& cols = Columns();
    const int markHeight = kRowHeight + QFontMetrics(grdStats->font()).height() + 4;
    grdStats->setRows(int(result.rows.size()));
    for (int i = 0; i < result.rows.size(); ++i) {
        const Row& row = result.rows[i];
        const int r = i + 1;
        for (int c = 1; c < kColSpell; ++c) {
            const qint64 fore = c == kColFP ? -1 : row.textColor;
            grdStats->setCellDetails(r, c, row.cells[c - 1], cols[c - 1].cellAlign | Qt::AlignVCenter, -1, -1, fore);
        }
        grdStats->setCellItemData(r, kColRaceDate, row.date.toJulianDay());
        if (row.mark != Mark::None) {
            grdStats->setCellDetails(r, kColSpell, row.cells[kColSpell - 1], Qt::AlignCenter, -1,
                                     row.mark == Mark::Spell ? kSpellColor : kFreshenColor, 0);
            grdStats->setRowHeightAt(r, markHeight);
        }
    }
    grdStats->setRedraw(true);

    m_counts = result.counts;
    if (!result.lastStart.isEmpty())
        GrdSummary->setCellDetails(2, 3, result.lastStart, Qt::AlignCenter);
    for (int category = 1; category <= 9; ++category)
        GrdSummary->setCellText(2, SummaryColumn(category), result.figure(category));
    GrdSummary->setRedraw(true);
}

void FrmRaceStats::grdStats_OnColumnClick(int col)
{
    if (col < 1 || col > grdStats->columns())
        return;
    // "FP" reads like 3-12: it sorts on the bare finishing position.
    const int sortCol = col == kColFinishPosition ? kColFP : col;
    const bool ascending = grdStats->colTag(sortCol).isEmpty();
    grdStats->setColTag(sortCol, ascending ? QStringLiteral("DESC") : QString());
    {
        HourGlass busy;
        grdStats->sortOnColumn(sortCol, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        for (int c = 1; c <= grdStats->columns(); ++c) {
            if (c != col)
                grdStats->setColHeaderImage(c, -1);
            else if (!grdStats->colHeader(c).isEmpty())
                grdStats->setColHeaderImage(c, ascending ? ImageList::IconSortAscending
                                                         : ImageList::IconSortDescending);
        }
    }
    modUtils::PlayAppSound(QStringLiteral("Utopia Open.wav"));
}

void FrmRaceStats::grdStats_OnDblClick(int, int)
{
    const int row = grdStats->selectedRow();
    if (row < 1 || row > grdStats->rows())
        return;
    const QDate date = QDate::fromJulianDay(grdStats->cellItemData(row, kColRaceDate).toLongLong());
    const QString raceDate = date.isValid() ? date.toString(QStringLiteral("yyyy/MM/dd")) : QString();
    const QString track = grdStats->cellText(row, ColumnOf(QStringLiteral("Track")));
    const QString raceNo = grdStats->cellText(row, ColumnOf(QStringLiteral("Race No")));
    const QString horse = grdStats->cellText(row, ColumnOf(QStringLiteral("Horse")));
    // The result waits on the form database with events running: the window
    // stays open beneath it until it is back.
    const bool wasLoading = std::exchange(m_loading, true);
    const auto done = qScopeGuard([this, wasLoading] { m_loading = wasLoading; });
    if (g_resultOpener)
        g_resultOpener(raceDate, track, raceNo, horse);
    else
        frmRaceResult::OpenResult(raceDate, track, raceNo, horse);
}

void FrmRaceStats::SetResultOpener(ResultOpener opener)
{
    g_resultOpener = std::move(opener);
}
