#include "core/modJockeyWeb.h"

#include "core/FrmBrowse.h"
#include "core/HttpRequest.h"
#include "platform/AppPaths.h"
#include "platform/FileSync.h"
#include "platform/Prompts.h"
#include "platform/WaitCursor.h"

#include <QApplication>
#include <QSaveFile>
#include <QUrl>

namespace modJockey
{

const QString kDefaultRbhSite = QStringLiteral("http://www.racingservicesbureau.com.au");
const QString kDefaultRegistrationSite = QStringLiteral("https://www.racingaustralia.horse");
const QString kDisplayFile = QStringLiteral("display.html");

namespace
{
const QString kFindHorsePath = QStringLiteral("/publishing/RBH/pgFindHorse.asp?txtMode=ProcessSearch");
const QString kRatingsMarker = QStringLiteral("FIND HORSE - Ratings");
const QString kActiveCell = QStringLiteral("<td nowrap>Active&nbsp;</td>");
const QString kDetailsLink = QStringLiteral("/Publishing/RBH/pgHorseDetails.asp?");
const QString kLinkEnd = QStringLiteral("'>");
const QString kRegistrationPath = QStringLiteral("/FreeServices/HorseSearch.aspx?key=");

QString g_rbhSite;
QString g_registrationSite;

QString siteRoot(const QString& set, const char* envName, const QString& builtIn)
{
    QString root = set;
    if (root.isEmpty())
        root = qEnvironmentVariable(envName);
    if (root.isEmpty())
        root = builtIn;
    while (root.endsWith(QLatin1Char('/')))
        root.chop(1);
    return root;
}

bool isErrorText(const QString& reply)
{
    return reply.startsWith(QStringLiteral("Error:"));
}

// The details link of the horse's active entry, or "" when the page has none
// standing before that entry.
QString activeDetailsLink(const QString& page)
{
    const qsizetype active = page.indexOf(kActiveCell);
    if (active <= 0)
        return QString();
    const qsizetype link = page.lastIndexOf(kDetailsLink, active - 1);
    if (link < 0)
        return QString();
    const qsizetype end = page.indexOf(kLinkEnd, link);
    if (end < 0)
        return QString();
    return page.mid(link, end - link);
}

} // namespace

QString RbhSite()
{
    return siteRoot(g_rbhSite, "VELMORA_RBH_SITE", kDefaultRbhSite);
}

void SetRbhSite(const QString& root)
{
    g_rbhSite = root;
}

QString RegistrationSite()
{
    return siteRoot(g_registrationSite, "VELMORA_REGO_SITE", kDefaultRegistrationSite);
}

void SetRegistrationSite(const QString& root)
{
    g_registrationSite = root;
}

QString HorseSearchBody(const QString& horse)
{
    QString name = QString::fromLatin1(QUrl::toPercentEncoding(horse, " "));
    name.replace(QLatin1Char(' '), QLatin1Char('+'));
    return QStringLiteral("lstStates=VIC&lstRType=1&txtHorseName=") + name
           + QStringLiteral("&btnHorseName=Search&hdnStateIndex=");
}

HorseRatingPage FetchHorseRatingPage(const QString& horse)
{
    HorseRatingPage result;
    const modDatabase::HttpReply search =
        modDatabase::HttpSend(RbhSite() + kFindHorsePath, QStringLiteral("POST"), HorseSearchBody(horse));
    result.page = search.text;
    if (isErrorText(search.text)) {
        result.unreachable = search.kind == modDatabase::HttpReply::Kind::Transport
                             || search.kind == modDatabase::HttpReply::Kind::Timeout;
        result.failed = !result.unreachable;
        return result;
    }
    if (result.page.contains(kRatingsMarker)) {
        const QString link = activeDetailsLink(result.page);
        if (!link.isEmpty()) {
            const modDatabase::HttpReply details = modDatabase::HttpSend(RbhSite() + link, QStringLiteral("GET"));
            result.page = details.text;
            result.detailsUnreachable = details.transportFailed();
        }
    }
    return result;
}

void ShowRatingDataError()
{
    Prompts::MsgBox(QStringLiteral("There is some problem trying to retrieve the real-time data. Please try again later."),
                    Prompts::vbExclamation, QStringLiteral("Data Error"));
}

QString FindHorseRating(const QString& horse)
{
    const HorseRatingPage found = FetchHorseRatingPage(horse);
    if (found.unreachable || found.failed) {
        ShowRatingDataError();
        return QString();
    }
    return found.page;
}

void ShowRbhRating()
{
    FrmBrowse viewer(QApplication::activeWindow());
    viewer.setWindowTitle(QStringLiteral("RBH Vic Rating"));

    const QString page = FindHorseRating(gSelHorse);
    if (page.trimmed().isEmpty())
        return;

    // A scratch file: the user's cache folder, since the program's folder may
    // not be the user's to write.
    // A folder that cannot be made is told with its own reason, not the
    // file's "No such file or directory".
    QString why;
    const QString path = AppPaths::join(AppPaths::scratchDir(&why), kDisplayFile);
    // Unbuffered and checked: a buffered write the disk refuses (full, or
    // over the file-size limit) would show only in a commit that still
    // reports success, leaving an empty page in place of the older one.
    QSaveFile file(path);
    if (why.isEmpty()) {
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            why = file.errorString();
        } else if (!FileSync::writeAll(file, page.toUtf8())) {
            // The reason is taken before giving the file up replaces it with
            // "Writing canceled by application"; the older page stays.
            why = file.errorString();
            file.cancelWriting();
        } else if (!file.commit()) {
            why = file.errorString();
        }
    }
    if (!why.isEmpty()) {
        Prompts::MsgBox(QStringLiteral("The rating page could not be written to ") + path + QStringLiteral(" \r\r")
                            + why,
                        Prompts::vbCritical, QStringLiteral("RBH Vic Rating"));
        return;
    }

    viewer.Navigate(QUrl::fromLocalFile(path).toString());
    viewer.SetSizeTwips(9000, 7750);
    viewer.SetBrowserSizeTwips(8900, 7650);
    viewer.ShowModal();
}

void ShowRegistrationSearch()
{
    FrmBrowse viewer(QApplication::activeWindow());
    {
        WaitCursor busy;
        viewer.setWindowTitle(QStringLiteral("Registration Search - ") + gSelHorse);
        viewer.Navigate(RegistrationSite() + kRegistrationPath + modDatabase::UrlEncodeValue(gSelHorse));
        viewer.SetTopTwips(150);
        viewer.SetSizeTwips(19250, 17250);
        viewer.SetBrowserSizeTwips(19000, 17500);
    }
    viewer.ShowModal();
}
} // namespace modJockey
