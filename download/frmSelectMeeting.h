#pragma once

#include "download/MeetingLists.h"
#include "download/modBrowser.h"

#include <QDate>
#include <QDialog>
#include <QString>

#include <functional>

class Grid;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

/**
 * "Select Meetings": lists the coming meetings of a state from one of the
 * web sources and downloads the selected ones.
 *
 * The source follows the state list's text and the switch: "XA" is the
 * racing club's web service; otherwise "Use other source for Noms" ticked is
 * the national body's file list (file-view pages), cleared its public
 * calendar (public fields pages).
 *
 * The download loads the selected rows one after the other and reports once:
 * "Success" when every one loaded, otherwise the meetings that did not. When
 * a request gets no answer at all (time-out, no connection, a connection
 * closed before any byte came back) the loop stops there: the rest would only
 * wait out the same silence, so they are named as not tried and left as they
 * were. Any other failure (a refused redirect, an answer that is not HTTP or
 * breaks off partway, a link that is no web address, a failed track lookup)
 * fails only its own meeting and the others are still loaded.
 *
 * While a list or a download waits for the web, the window's commands and its
 * close box do nothing, so nothing runs twice and the window is never
 * destroyed under a running handler.
 */
class frmSelectMeeting : public QDialog
{
    Q_OBJECT

public:
    /** Where a row is downloaded from. */
    enum class Source
    {
        PublicFields,
        FileView,
        ClubService,
    };

    /** One call of a loader, with the row's values. */
    struct DownloadCall
    {
        Source source = Source::PublicFields;
        QString meeting;
        QDate date;
        QString phase;
        QString link;
        QString state; // given to the public fields loader only
    };
    using Loader = std::function<modBrowser::LoadResult(const DownloadCall&)>;

    /** The states offered, in list order ("XA": the racing club). */
    static const QStringList kStates;

    explicit frmSelectMeeting(QWidget* parent = nullptr);
    ~frmSelectMeeting() override;

    /** Prepares the window (default state, switch from gUseOtherSource,
     *  listing) and shows it modally; returns when it has closed. */
    static void OpenSelect();
    /** The same steps without showing: the window as OpenSelect leaves it just
     *  before it is shown (tests). */
    void Prepare();

    /** Replaces the loaders (tests); an empty function restores them. */
    static void SetLoader(Loader loader);
    /** The source rule for a state text and the switch. */
    static Source SourceFor(const QString& state, bool useOtherSource);

    // ---- list sources ----------------------------------------------------------
    /** The public calendar's meetings of a state. A connection failure, or a
     *  reply that is no calendar page (MeetingLists::IsCalendarPage), is
     *  shown titled "Connection error" and gives no entries; so for the file
     *  list and the racing club's list. */
    static MeetingLists::List LoadCalendarMeetings(const QString& state, bool showAllPhases);
    /** The file list's meetings of a state (asked twice before a failure is shown). */
    static MeetingLists::List LoadFileListMeetings(const QString& state, bool showAllPhases);
    /** The racing club's meetings from today on, each with the phase its own
     *  page shows. */
    static MeetingLists::List LoadClubServiceMeetings(bool showAllPhases);
    /** The racing services bureau's file lists (offered by no control).
     *  With debugging on, both replies go to the debug file. */
    static MeetingLists::List LoadBureauFileList(const QString& state, bool showAllPhases);
    /** The address the calendar or the file list was last asked at. */
    static QString SourceBaseUrl();

    // ---- controls --------------------------------------------------------------
    QLabel* Label1 = nullptr;
    QComboBox* cmbState = nullptr;
    QCheckBox* chkSwitch = nullptr;
    QCheckBox* chkShowPhase = nullptr;
    QPushButton* cmdRefresh = nullptr;
    QPushButton* cmdDownload = nullptr;
    Grid* grdMeeting = nullptr;
    QLabel* Label2 = nullptr;

    /** True while a list or a download waits. */
    bool isBusy() const { return m_busy; }

    void cmbState_Click();
    void chkShowPhase_Click();
    void chkSwitch_Click();
    void cmdRefresh_Click();
    void cmdDownload_Click();
    void grdMeeting_OnColumnClick(int col);

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void RefreshMeetingGrid(const QString& state);
    void setBusy(bool busy);
    bool m_busy = false;
};
