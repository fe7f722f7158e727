#include "formhistory/frmRaceResult.h"

#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "core/modDatabase.h"
#include "core/modUtils.h"
#include "formhistory/FormHistoryCommon.h"
#include "platform/Currency.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "platform/Twips.h"

#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
constexpr int kRowHeight = 18;
constexpr int kTextColumns = 11; // columns filled from the finisher's own fields
// The fields each query asks for: the race header's and a finisher's.
constexpr int kHeaderFields = 10;
constexpr int kFinisherFields = 15;

struct ResultColumn
{
    const char* key;
    const char* header;
    int width;
    Qt::Alignment align;
    bool rightJustified;
};

const ResultColumn kColumns[] = {
    {"Position", "Posn", 45, Qt::AlignHCenter, true},
    {"Horse", "Horse", 120, Qt::AlignLeft, false},
    {"Margin", "Margin", 70, Qt::AlignHCenter, true},
    {"Jockey", "Jockey", 100, Qt::AlignLeft, false},
    {"Barrier", "Bar", 35, Qt::AlignHCenter, true},
    {"Weight carried", "Wgt", 35, Qt::AlignHCenter, true},
    {"Allowance claimed", "Clm", 35, Qt::AlignHCenter, true},
    {"800 400", "800/400", 60, Qt::AlignHCenter, false},
    {"Trainer", "Trainer", 115, Qt::AlignLeft, false},
    {"Book", "Book", 55, Qt::AlignLeft, false},
    {"Prizemoney", "Money", 50, Qt::AlignHCenter, true},
    {"Type", "Type", 65, Qt::AlignLeft, false},
    {"Sire Dame", "Sire/Dame", 80, Qt::AlignLeft, false},
};

QString meetingTypeText(const QString& code)
{
    if (code == QLatin1String("M"))
        return QStringLiteral(" Metro");
    if (code == QLatin1String("C"))
        return QStringLiteral(" Country");
    if (code == QLatin1String("P"))
        return QStringLiteral(" Provincial");
    if (code.isEmpty())
        return QStringLiteral("Unknown");
    return QString();
}

QString conditionText(const QString& code)
{
    if (code == QLatin1String("G"))
        return QStringLiteral("Good");
    if (code == QLatin1String("D"))
        return QStringLiteral("Dead");
    if (code == QLatin1String("F"))
        return QStringLiteral("Fast");
    if (code == QLatin1String("S"))
        return QStringLiteral("Slow");
    if (code == QLatin1String("H"))
        return QStringLiteral("Heavy");
    return code; // an unknown code is shown as it came
}

QString groupThousands(qint64 n)
{
    QString digits = QString::number(n);
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits;
}

QLineEdit* addField(QWidget* owner, QGridLayout* grid, int row, int col, const char* name, const QString& label,
                    const QFont& font, int span = 1)
{
    auto* lbl = new QLabel(label, owner);
    auto* box = new QLineEdit(owner);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setFont(font);
    lbl->setBuddy(box);
    grid->addWidget(lbl, row, col, Qt::AlignRight);
    grid->addWidget(box, row, col + 1, 1, span);
    return box;
}

QString rowAt(const QString& reply, const QString& separator, int index)
{
    const QStringList pieces = reply.split(separator);
    return index < pieces.size() ? pieces[index] : QString();
}
} // namespace

frmRaceResult::frmRaceResult(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmRaceResult"));
    setWindowTitle(QStringLiteral("Race Results"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    resize(kDesignWidth, kDesignHeight);

    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSizeF(9);
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPointSizeF(8.25);

    auto* fields = new QGridLayout;
    txtMeetDesc = addField(this, fields, 0, 0, "txtMeetDesc", QStringLiteral("Meeting "), tahoma, 3);
    txtMeetType = addField(this, fields, 0, 4, "txtMeetType", QStringLiteral("Type "), tahoma);
    txtMeetState = addField(this, fields, 0, 6, "txtMeetState", QStringLiteral("State "), tahoma);
    txtRaceDesc = addField(this, fields, 1, 0, "txtRaceDesc", QStringLiteral("Race "), tahoma, 3);
    txtRaceType = addField(this, fields, 1, 4, "txtRaceType", QStringLiteral("Type "), tahoma);
    txtRaceClass = addField(this, fields, 1, 6, "txtRaceClass", QStringLiteral("Class "), tahoma);
    txtSec = addField(this, fields, 2, 0, "txtSec", QStringLiteral("Sec "), tahoma);
    txtCond = addField(this, fields, 2, 2, "txtCond", QStringLiteral("Cond "), tahoma);
    txtLimWeight = addField(this, fields, 2, 4, "txtLimWeight", QStringLiteral("Lim. Weight "), tahoma);
    txtValue = addField(this, fields, 2, 6, "txtValue", QStringLiteral("Value "), tahoma);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 2);
    fields->setColumnStretch(5, 1);
    fields->setColumnStretch(7, 1);

    lblDescription = new QLabel(QStringLiteral("Description"), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setFont(QFont(QStringLiteral("Courier New")));

    grdResults = new Grid(this);
    grdResults->setObjectName(QStringLiteral("grdResults"));
    grdResults->setFont(verdana);
    grdResults->setRowMode(true);
    // Sire and dam are the longest texts: they take the width left over.
    grdResults->setStretchLastColumn(true);

    cmdExit = new QPushButton(QStringLiteral("Exit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setAutoDefault(false);
    connect(cmdExit, &QPushButton::clicked, this, &frmRaceResult::cmdExit_Click);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(cmdExit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(lblDescription);
    layout->addWidget(grdResults, 1);
    layout->addLayout(bottom);
}

frmRaceResult::~frmRaceResult() = default;

QString frmRaceResult::PadText(int width, const QString& text)
{
    if (width <= 0)
        return QString();
    return text.left(width).leftJustified(width, QLatin1Char(' '));
}

QString frmRaceResult::HeaderSql(const QString& raceDate, const QString& track, const QString& raceNo)
{
    return QStringLiteral("SELECT MClub, MMetType, MState, RDistance, RRaceName, RClass, RSecTime, RTrCond, ") +
           QStringLiteral("RLimWgt, RValue FROM MEETMAST M, RACEMAST R ") +
           QStringLiteral("WHERE M.MDate = R.RDate AND M.MTrack = R.RTrack ") + QStringLiteral("AND RDate = '") +
           modDatabase::RemoteSqlQuote(raceDate) + QStringLiteral("' ") + QStringLiteral("AND RTrack = '") +
           modDatabase::RemoteSqlQuote(track) + QStringLiteral("' ") + QStringLiteral("AND RRaceNo = '") +
           modDatabase::RemoteSqlQuote(raceNo) + QStringLiteral("' ");
}

QString frmRaceResult::FinishersSql(const QString& raceDate, const QString& track, const QString& raceNo)
{
    return QStringLiteral("SELECT WFinPosn, WHorse, WBeatMar, WJockey, WBarPosn, WWgtChar, WApClaim, W800400, "
                          "WTrainer, ") +
           QStringLiteral("WBookPrice, WMoneyWon, HWinAge, HWinSex, HSireWin, HDamWin ") +
           QStringLiteral("FROM WORKRACE W LEFT JOIN HORSMAST H ON W.WHorse = H.HHorse ") +
           QStringLiteral("WHERE WRaceDate = '") + modDatabase::RemoteSqlQuote(raceDate) + QStringLiteral("' ") +
           QStringLiteral("AND WTrack = '") + modDatabase::RemoteSqlQuote(track) + QStringLiteral("' ") +
           QStringLiteral("AND WRaceNo = '") + modDatabase::RemoteSqlQuote(raceNo) + QStringLiteral("' ");
}

QString frmRaceResult::MoneyText(const QString& thousands)
{
    bool ok = false;
    const double v = thousands.trimmed().toDouble(&ok);
    if (!ok)
        return QString();
    const Currency amount = (Currency::fromDouble(v) * 1000.0).rounded(2);
    const qint64 cents = amount.raw() / 100;
    const qint64 a = cents < 0 ? -cents : cents;
    return QStringLiteral("$ ") + (cents < 0 ? QStringLiteral("-") : QString()) + groupThousands(a / 100) +
           QLatin1Char('.') + QStringLiteral("%1").arg(a % 100, 2, 10, QLatin1Char('0'));
}

void frmRaceResult::Form_Load()
{
    grdResults->setRedraw(false);
    grdResults->clearGrid();
    grdResults->setTag(QStringLiteral("ex_columns,ex_font,ex_left"));
    grdResults->setDefaultRowHeight(kRowHeight);
    for (const ResultColumn& c : kColumns) {
        grdResults->addColumn(QLatin1String(c.key), QLatin1String(c.header), c.width, c.align, Grid::SortText, true,
                              c.rightJustified ? QStringLiteral("RJ") : QString());
    }

    const cAppSettings& s = gAppSettings;
    if (s.RaceResultsMax) {
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        QRect r = geometry();
        if (s.RaceResultsLeft > 0)
            r.moveLeft(Twips::toPixels(s.RaceResultsLeft));
        if (s.RaceResultsTop > 0)
            r.moveTop(Twips::toPixels(s.RaceResultsTop));
        if (s.RaceResultsWidth > 0)
            r.setWidth(Twips::toPixels(s.RaceResultsWidth));
        if (s.RaceResultsHeight > 0)
            r.setHeight(Twips::toPixels(s.RaceResultsHeight));
        if (r != geometry())
            setGeometry(r);
    }
    grdResults->restoreColWidths(s.RaceResultsGridWidth);
    grdResults->restoreColOrder(s.RaceResultsGridOrder);
}

void frmRaceResult::Form_Unload()
{
    cAppSettings& s = gAppSettings;
    s.RaceResultsGridWidth = grdResults->colWidthList();
    s.RaceResultsGridOrder = grdResults->colOrderList();
    const QRect r = isMinimized() ? normalGeometry() : geometry();
    s.RaceResultsLeft = Twips::fromPixels(r.x());
    s.RaceResultsTop = Twips::fromPixels(r.y());
    s.RaceResultsWidth = Twips::fromPixels(r.width());
    s.RaceResultsHeight = Twips::fromPixels(r.height());
    s.RaceResultsMax = isMaximized();
    s.SaveSettings();
}

void frmRaceResult::cmdExit_Click()
{
    accept();
}

void frmRaceResult::FillHeader(const QString& raceDate, const QString& track, const QString& raceNo,
                               const QStringList& f)
{
    auto at = [&f](int i) { return i < f.size() ? f[i] : QString(); };
    const QDate date = QDate::fromString(raceDate, QStringLiteral("yyyy/MM/dd"));
    const QString shownDate = date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : raceDate;
    txtMeetDesc->setText(QStringLiteral(" ") + track + QStringLiteral(" ") + shownDate + QStringLiteral(" - ") +
                         at(0));
    txtMeetType->setText(meetingTypeText(at(1)));
    txtMeetState->setText(at(2));
    txtRaceDesc->setText(PadText(5, raceNo) + PadText(8, at(3)) + at(4));
    txtRaceClass->setText(QString(at(5)).remove(QLatin1Char('.')));
    txtSec->setText(at(6));
    txtCond->setText(conditionText(at(7)));
    txtLimWeight->setText(at(8));
    txtValue->setText(MoneyText(at(9)));
    lblDescription->clear();
    lblDescription->setVisible(false);
}

void frmRaceResult::FillFinishers(const QString& reply, const QString& horse)
{
    grdResults->setRedraw(false);
    const QFont normal = grdResults->font();
    QFont bold = normal;
    bold.setBold(true);
    const QString wanted = horse.trimmed().toUpper();

    const QStringList pieces = reply.split(QStringLiteral("<br>\n"));
    for (int i = 0; i < pieces.size(); ++i) {
        const QStringList f = pieces[i].split(QLatin1Char('|'));
        const int n = int(f.size());
        if (n < 15)
            continue;
        const int row = i + 1;
        // The finisher's own fields; the last four are age, sex, sire and dam.
        const int textFields = qMin(n - 4, kTextColumns);
        bool inBold = false;
        for (int k = 0; k < textFields; ++k) {
            const QString text = modUtils::ProperCase(f[k]).trimmed();
            if (!inBold && !wanted.isEmpty() && text.toUpper() == wanted)
                inBold = true;
            const Qt::Alignment align =
                grdResults->colTag(k + 1) == QLatin1String("RJ") ? Qt::AlignRight : Qt::AlignLeft;
            grdResults->setCellDetails(row, k + 1, text, align | Qt::AlignVCenter, -1, -1, -1,
                                       inBold ? &bold : &normal);
        }
        grdResults->setCellDetails(row, kTextColumns + 1, (f[n - 4] + QLatin1Char(' ') + f[n - 3]).trimmed(),
                                   Qt::AlignLeft | Qt::AlignVCenter, -1, -1, -1, &normal);
        grdResults->setCellDetails(
            row, kTextColumns + 2,
            (modUtils::ProperCase(f[n - 2]) + QLatin1Char('/') + modUtils::ProperCase(f[n - 1])).trimmed(),
            Qt::AlignLeft | Qt::AlignVCenter, -1, -1, -1, &normal);
    }
    grdResults->setRedraw(true);
}

void frmRaceResult::OpenResult(const QString& raceDate, const QString& track, const QString& raceNo,
                               const QString& horse)
{
    // The queries wait with events running: a second double-click on the
    // statistics would otherwise start a second result under the first.
    static bool opening = false;
    if (opening)
        return;
    struct Opening
    {
        Opening() { opening = true; }
        ~Opening() { opening = false; }
    } guard;

    frmRaceResult window;
    window.Form_Load();
    HourGlass busy;

    // A failure, a web page or noise sent with status 200 is one message and
    // no result window.
    const QString header =
        modDatabase::HttpRequest(modDatabase::RemoteQueryUrl(HeaderSql(raceDate, track, raceNo)), QStringLiteral("GET"));
    if (const QString problem = modDatabase::ReplyProblem(header, kHeaderFields); !problem.isEmpty()) {
        busy.release();
        modDatabase::ReportConnectionError(problem);
        return;
    }
    if (header.compare(QStringLiteral(" ")) <= 0) {
        busy.release();
        Prompts::MsgBox(QStringLiteral("No Data Returned. conatct Support"), Prompts::vbCritical,
                        QStringLiteral("Connection error"));
        return;
    }
    window.FillHeader(raceDate, track, raceNo, rowAt(header, QStringLiteral("<br>"), 0).split(QLatin1Char('|')));

    const QString finishers = modDatabase::HttpRequest(
        modDatabase::RemoteQueryUrl(FinishersSql(raceDate, track, raceNo)), QStringLiteral("GET"));
    if (const QString problem = modDatabase::ReplyProblem(finishers, kFinisherFields); !problem.isEmpty()) {
        busy.release();
        modDatabase::ReportConnectionError(problem);
        return;
    }
    window.FillFinishers(finishers, horse);
    busy.release();
    Prompts::ShowModal(&window);
    window.Form_Unload();
}
