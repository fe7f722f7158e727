#include "download/frmSelectMeeting.h"

#include "core/HttpRequest.h"
#include "core/cAppSettings.h"
#include "core/modShared.h"
#include "core/modText.h"
#include "download/WebSources.h"
#include "platform/Clock.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "platform/WaitCursor.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTextStream>
#include <QVBoxLayout>

namespace
{
const QString kConnectionError = QStringLiteral("Connection error");
const QString kClubPath = QStringLiteral("/scripts/ws.exe/bravik/");

frmSelectMeeting::Loader& loaderHook()
{
    static frmSelectMeeting::Loader hook;
    return hook;
}

QString& sourceBaseUrl()
{
    static QString url;
    return url;
}

bool isErrorReply(const QString& reply)
{
    return reply.left(6) == QLatin1String("Error:");
}

/** Shows a message with the default pointer, then the hourglass again
 *  when one was showing. */
void tell(const QString& text, int style, const QString& title)
{
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::restoreOverrideCursor();
    Prompts::MsgBox(text, style, title);
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void showConnectionError(const QString& reply)
{
    tell(reply, Prompts::vbCritical, kConnectionError);
}

QString get(const QString& url)
{
    return modDatabase::HttpRequest(url, QStringLiteral("GET"));
}

modBrowser::LoadResult runLoader(const frmSelectMeeting::DownloadCall& c)
{
    switch (c.source) {
    case frmSelectMeeting::Source::ClubService:
        return modBrowser::LoadClubServiceMeeting(c.meeting, c.date, c.phase, c.link);
    case frmSelectMeeting::Source::FileView:
        return modBrowser::LoadFileViewMeeting(c.meeting, c.date, c.phase, c.link);
    case frmSelectMeeting::Source::PublicFields:
        break;
    }
    return modBrowser::LoadPublicFieldsMeeting(c.meeting, c.date, c.phase, c.link, c.state);
}

} // namespace

const QStringList frmSelectMeeting::kStates{QStringLiteral("VIC"), QStringLiteral("QLD"), QStringLiteral("NSW"),
                                            QStringLiteral("TAS"), QStringLiteral("SA"),  QStringLiteral("WA"),
                                            QStringLiteral("NT"),  QStringLiteral("ACT"), QStringLiteral("XA")};

frmSelectMeeting::frmSelectMeeting(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelectMeeting"));
    setWindowTitle(QStringLiteral("Select Meetings"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    Label1 = new QLabel(QStringLiteral("Select State:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    cmbState = new QComboBox(this);
    cmbState->setObjectName(QStringLiteral("cmbState"));
    cmbState->setEditable(false);
    cmbState->addItems(kStates);
    chkSwitch = new QCheckBox(QStringLiteral("Use other source for Noms"), this);
    chkSwitch->setObjectName(QStringLiteral("chkSwitch"));
    chkShowPhase = new QCheckBox(QStringLiteral("Show All Phases"), this);
    chkShowPhase->setObjectName(QStringLiteral("chkShowPhase"));
    cmdRefresh = new QPushButton(QStringLiteral("Refresh"), this);
    cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    cmdDownload = new QPushButton(QStringLiteral("Download Nominations"), this);
    cmdDownload->setObjectName(QStringLiteral("cmdDownload"));
    cmdDownload->setAutoDefault(false);
    cmdRefresh->setAutoDefault(false);

    grdMeeting = new Grid(this);
    grdMeeting->setObjectName(QStringLiteral("grdMeeting"));
    grdMeeting->setRowMode(true);
    grdMeeting->setMultiSelect(true);
    grdMeeting->setAlternateRowColor(0x00D3FEED);
    grdMeeting->setFont(QFont(QStringLiteral("Verdana"), 9));
    grdMeeting->setStretchLastColumn(true);

    Label2 = new QLabel(QStringLiteral("Use the Mouse to select Meetings to be downloaded. Hold Down the shift Key to "
                                       "select a Range of meetings, Ust the Ctrl Key to Select Multiple Meetings"),
                        this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);

    auto* top = new QHBoxLayout;
    top->addWidget(Label1);
    top->addWidget(cmbState);
    top->addSpacing(12);
    top->addWidget(chkSwitch);
    top->addWidget(chkShowPhase);
    top->addStretch(1);
    top->addWidget(cmdRefresh);
    top->addWidget(cmdDownload);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grdMeeting, 1);
    layout->addWidget(Label2);
    resize(640, 460);

    connect(cmbState, &QComboBox::activated, this, [this](int) { cmbState_Click(); });
    connect(chkSwitch, &QCheckBox::toggled, this, [this](bool) { chkSwitch_Click(); });
    connect(chkShowPhase, &QCheckBox::toggled, this, [this](bool) { chkShowPhase_Click(); });
    connect(cmdRefresh, &QPushButton::clicked, this, [this] { cmdRefresh_Click(); });
    connect(cmdDownload, &QPushButton::clicked, this, [this] { cmdDownload_Click(); });
    connect(grdMeeting, &Grid::columnClick, this, [this](int col) { grdMeeting_OnColumnClick(col); });
}

frmSelectMeeting::~frmSelectMeeting() = default;

void frmSelectMeeting::SetLoader(Loader loader)
{
    loaderHook() = std::move(loader);
}

frmSelectMeeting::Source frmSelectMeeting::SourceFor(const QString& state, bool useOtherSource)
{
    if (state == QLatin1String("XA"))
        return Source::ClubService;
    return useOtherSource ? Source::FileView : Source::PublicFields;
}

QString frmSelectMeeting::SourceBaseUrl()
{
    return sourceBaseUrl();
}

void frmSelectMeeting::OpenSelect()
{
    frmSelectMeeting window(QApplication::activeWindow());
    window.Prepare();
    Prompts::ShowModal(&window);
}

void frmSelectMeeting::Prepare()
{
    // A default state the list cannot show opens on "VIC", like no default.
    QString state = gAppSettings.DefaultState.trimmed();
    if (!kStates.contains(state))
        state = QStringLiteral("VIC");
    {
        const QSignalBlocker block(cmbState);
        cmbState->setCurrentIndex(static_cast<int>(kStates.indexOf(state)));
    }
    cmbState_Click();
    // Ticking the switch lists again, now from the file list.
    chkSwitch->setChecked(gUseOtherSource != 0);
}

// ---------------------------------------------------------------------------
// Handlers
// ---------------------------------------------------------------------------

void frmSelectMeeting::cmbState_Click()
{
    RefreshMeetingGrid(cmbState->currentText());
}

void frmSelectMeeting::chkShowPhase_Click()
{
    RefreshMeetingGrid(cmbState->currentText());
}

void frmSelectMeeting::chkSwitch_Click()
{
    cmbState_Click();
    gUseOtherSource = chkSwitch->isChecked() ? 1 : 0;
}

void frmSelectMeeting::cmdRefresh_Click()
{
    RefreshMeetingGrid(cmbState->currentText());
}

void frmSelectMeeting::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F5) {
        cmdRefresh_Click();
        return;
    }
    QDialog::keyReleaseEvent(event);
}

void frmSelectMeeting::closeEvent(QCloseEvent* event)
{
    if (m_busy) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void frmSelectMeeting::reject()
{
    if (!m_busy)
        QDialog::reject();
}

void frmSelectMeeting::setBusy(bool busy)
{
    m_busy = busy;
    for (QWidget* w : {static_cast<QWidget*>(cmbState), static_cast<QWidget*>(chkSwitch),
                       static_cast<QWidget*>(chkShowPhase), static_cast<QWidget*>(cmdRefresh),
                       static_cast<QWidget*>(cmdDownload), static_cast<QWidget*>(grdMeeting)})
        w->setEnabled(!busy);
}

void frmSelectMeeting::RefreshMeetingGrid(const QString& state)
{
    if (m_busy)
        return; // a listing or download is waiting: nothing runs twice
    QPointer<frmSelectMeeting> self(this);
    setBusy(true);
    MeetingLists::List list;
    {
        const WaitCursor busy;
        const bool all = chkShowPhase->isChecked();
        switch (SourceFor(state, chkSwitch->isChecked())) {
        case Source::ClubService:
            list = LoadClubServiceMeetings(all);
            break;
        case Source::FileView:
            list = LoadFileListMeetings(state, all);
            break;
        case Source::PublicFields:
            list = LoadCalendarMeetings(state, all);
            break;
        }
    }
    if (!self)
        return;
    setBusy(false);

    grdMeeting->clearRows();
    grdMeeting->setRedraw(false);
    if (grdMeeting->columns() == 0) {
        grdMeeting->addColumn(QStringLiteral("Date"), QStringLiteral("Date"), 90);
        grdMeeting->addColumn(QStringLiteral("Meeting"), QStringLiteral("Meeting"), 200);
        grdMeeting->addColumn(QStringLiteral("Phase"), QStringLiteral("Phase"), 100);
        grdMeeting->addColumn(QStringLiteral("Link"), QStringLiteral("Link"), 0, Qt::AlignLeft, Grid::SortText, false);
    }
    grdMeeting->setRows(static_cast<int>(list.size()));
    for (int i = 0; i < list.size(); ++i) {
        const MeetingLists::Entry& e = list[i];
        grdMeeting->setCellText(i + 1, 1, e.date);
        grdMeeting->setCellText(i + 1, 2, e.meeting);
        grdMeeting->setCellText(i + 1, 3, e.phase);
        grdMeeting->setCellText(i + 1, 4, e.link);
    }
    if (grdMeeting->rows() > 0)
        grdMeeting->setSelectedCell(1, 1);
    grdMeeting->setRedraw(true);
}

void frmSelectMeeting::grdMeeting_OnColumnClick(int col)
{
    if (m_busy || col < 1 || col > grdMeeting->columns())
        return;
    if (grdMeeting->colTag(col).isEmpty()) {
        grdMeeting->sortOnColumn(col, Qt::AscendingOrder);
        grdMeeting->setColTag(col, QStringLiteral("DESC"));
    } else {
        grdMeeting->sortOnColumn(col, Qt::DescendingOrder);
        grdMeeting->setColTag(col, QString());
    }
}

void frmSelectMeeting::cmdDownload_Click()
{
    if (m_busy)
        return;
    const QList<int> rows = grdMeeting->selectedRows();
    if (rows.isEmpty()) {
        Prompts::MsgBox(QStringLiteral("No meeting is selected. Select the meetings to download, then press "
                                       "Download Nominations."),
                        Prompts::vbExclamation, QStringLiteral("Select Meetings"));
        return;
    }

    // The rows' values are read before the first wait: nothing the user does
    // meanwhile can change what is downloaded.
    const QString state = cmbState->currentText();
    const Source source = SourceFor(state, chkSwitch->isChecked());
    struct Row
    {
        QString date, meeting, phase, link;
    };
    QList<Row> selected;
    for (int row : rows)
        selected.append({grdMeeting->cellText(row, 1), grdMeeting->cellText(row, 2), grdMeeting->cellText(row, 3),
                         grdMeeting->cellText(row, 4)});

    QPointer<frmSelectMeeting> self(this);
    setBusy(true);
    QStringList failed;
    qsizetype stoppedAt = -1; // the row at which nothing answered any more
    {
        // Each loader shows the hourglass while it works and the default
        // pointer while it asks about a booking.
        for (qsizetype i = 0; i < selected.size(); ++i) {
            const Row& r = selected[i];
            const std::optional<QDate> date = modText::ParseDate(r.date);
            if (!date) {
                failed << r.meeting + QStringLiteral(" (") + r.date + QStringLiteral("): the date is not a date");
                continue;
            }
            const DownloadCall call{source, r.meeting, *date, r.phase, r.link, state};
            const modBrowser::LoadResult result = loaderHook() ? loaderHook()(call) : runLoader(call);
            if (!result.ok)
                failed << r.meeting + QStringLiteral(" (") + r.date + QStringLiteral("): ") + result.error;
            if (result.unreachable) {
                // The next meetings would each wait out the same silence.
                stoppedAt = i;
                break;
            }
        }
    }
    if (!self)
        return;
    setBusy(false);
    if (failed.isEmpty()) {
        Prompts::MsgBox(QStringLiteral("Meetings data are successfully downloaded."), Prompts::vbInformation,
                        QStringLiteral("Success"));
        accept();
        return;
    }
    // The window stays, so the failed meetings can be tried again.
    QString text = QStringLiteral("These meetings could not be downloaded:");
    for (const QString& f : failed)
        text += QStringLiteral(" \r") + f;
    qsizetype notLoaded = failed.size();
    if (stoppedAt >= 0) {
        for (qsizetype i = stoppedAt + 1; i < selected.size(); ++i)
            text += QStringLiteral(" \r") + selected[i].meeting + QStringLiteral(" (") + selected[i].date
                + QStringLiteral("): not tried");
        notLoaded += selected.size() - stoppedAt - 1;
        text += QStringLiteral(" \r\rNo answer came from the network, so the download stopped. These meetings are "
                               "as they were.");
    }
    if (notLoaded < selected.size())
        text += QStringLiteral(" \r\rThe other selected meetings were downloaded.");
    Prompts::MsgBox(text, Prompts::vbExclamation, QStringLiteral("Download Error"));
}

// ---------------------------------------------------------------------------
// List sources
// ---------------------------------------------------------------------------

MeetingLists::List frmSelectMeeting::LoadCalendarMeetings(const QString& state, bool showAllPhases)
{
    sourceBaseUrl() = WebSources::Base(WebSources::Source::PublicSite) + QStringLiteral("/FreeFields/Calendar.aspx?State=");
    const QString reply = get(sourceBaseUrl() + modDatabase::UrlEncodeValue(state));
    if (isErrorReply(reply)) {
        showConnectionError(reply);
        return {};
    }
    if (!MeetingLists::IsCalendarPage(reply)) {
        showConnectionError(MeetingLists::kNotAListText);
        return {};
    }
    return MeetingLists::ParseCalendarPage(reply, showAllPhases);
}

MeetingLists::List frmSelectMeeting::LoadFileListMeetings(const QString& state, bool showAllPhases)
{
    sourceBaseUrl() = WebSources::Base(WebSources::Source::FileListFolder);
    const QString url = sourceBaseUrl() + QStringLiteral("DisplayNwaByState.aspx?StateCode=")
        + QString::number(MeetingLists::FileListStateCode(state));
    QString reply = get(url);
    if (isErrorReply(reply))
        reply = get(url);
    if (isErrorReply(reply)) {
        showConnectionError(reply);
        return {};
    }
    if (!MeetingLists::IsFileListPage(reply)) {
        showConnectionError(MeetingLists::kNotAListText);
        return {};
    }
    return MeetingLists::ParseFileListPage(reply, showAllPhases);
}

MeetingLists::List frmSelectMeeting::LoadClubServiceMeetings(bool /*showAllPhases: one entry per meeting*/)
{
    const QString service = WebSources::Base(WebSources::Source::ClubService);
    const QString reply = get(service + kClubPath + QStringLiteral("findinfo.hts"));
    if (isErrorReply(reply)) {
        showConnectionError(reply);
        return {};
    }
    if (!MeetingLists::IsClubSelectorPage(reply)) {
        showConnectionError(MeetingLists::kNotAListText);
        return {};
    }
    QStringList skipped;
    const QList<MeetingLists::ClubOption> options = MeetingLists::ParseClubSelectorPage(reply, Clock::today(), &skipped);
    MeetingLists::List list;
    for (const MeetingLists::ClubOption& o : options) {
        const QString link = service + kClubPath + QStringLiteral("meet.hts?type=meet&meet_no=") + o.number;
        // The stage is read from the meeting's own page; a page that cannot be
        // read counts as nominations.
        list.append({o.date, o.meeting, MeetingLists::ClubPhaseOf(get(link)), link});
    }
    if (!skipped.isEmpty()) {
        tell(QStringLiteral("These meetings of the racing club's list have no readable date and are not listed: \r")
                 + skipped.join(QStringLiteral(" \r")),
             Prompts::vbExclamation, QStringLiteral("Select Meetings"));
    }
    return list;
}

MeetingLists::List frmSelectMeeting::LoadBureauFileList(const QString& state, bool showAllPhases)
{
    const QString first = get(WebSources::Base(WebSources::Source::FileListFolder));
    if (isErrorReply(first)) {
        showConnectionError(first);
        return {};
    }
    const QString data = WebSources::Base(WebSources::Source::RacingData);
    const QString second = get(data + QStringLiteral("/cgi-bin/rsb/public/fileList.cgi?code=g"));
    if (isErrorReply(second))
        return {};
    if (gDebugOn && !gDebugFile.isEmpty()) {
        QFile f(gDebugFile);
        if (f.open(QIODevice::Append | QIODevice::Text)) {
            QTextStream out(&f);
            // One text in double quotes a line.
            out << "\"===============Acceptance Data=================\"\n" << '"' << first << "\"\n"
                << "\"===============Nomination Data=================\"\n" << '"' << second << "\"\n";
        }
    }
    return MeetingLists::ParseBureauFileLists(first, second, state, showAllPhases, Clock::today(),
                                              data + QStringLiteral("/cgi-bin/rsb/public/"));
}
