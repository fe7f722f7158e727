// Saves a picture of any of the program's windows, filled with sample data,
// without a screen or the real services:
//
//   windowshot NAME [out.png]      (tools/screenshot.sh --window NAME runs it)
//   windowshot --list
//
// It builds a throw-away program folder and settings store, reads the sample
// field files (a Flemington meeting: nominations, then acceptances) into the
// template database, adds a managed jockey with a booking, starts the local
// form server with its sample rows, starts the main window the ordinary way
// and opens the named window through the command a user would choose. The
// window is grabbed as soon as it shows and closed again.
#include "core/cAppSettings.h"
#include "core/modOpeners.h"
#include "core/modShared.h"
#include "download/WebSources.h"
#include "fixtures/FixtureServer.h"
#include "formhistory/FrmRaceStats.h"
#include "mainwindow/Main.h"
#include "mainwindow/WindowOpeners.h"
#include "platform/Grid.h"
#include "platform/Prompts.h"
#include "raceview/FrmRace.h"
#include "support/DbFixture.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPushButton>

#include <cstdio>
#include <functional>
#include <map>

namespace
{
struct Shot
{
    const char* what;
    // Opens the window from the main window; `grab` saves the dialog given.
    std::function<void(Main&, Prompts::Script&, const std::function<void(QWidget*)>& grab)> open;
};

int rowOf(const Grid* g, const QString& text, int col)
{
    for (int r = 1; r <= g->rows(); ++r)
        if (g->cellText(r, col) == text)
            return r;
    return 0;
}

// The trainer list's J HAWKES and his runner Silver Lining picked, as a user would.
void pickRunner(Main& m)
{
    m.grdNames->setSelectedCell(rowOf(m.grdNames, QStringLiteral("J HAWKES"), 1), 1);
    m.grdNames_OnMouseUp(1);
    m.grdNoms->setSelectedCell(rowOf(m.grdNoms, QStringLiteral("SILVER LINING"), 4), 4);
}

// A window opened modally: grabbed and closed.
std::function<void(Main&, Prompts::Script&, const std::function<void(QWidget*)>&)> modal(
    const std::function<void(Main&)>& command)
{
    return [command](Main& m, Prompts::Script& s, const std::function<void(QWidget*)>& grab) {
        s.answerModal([grab](QDialog* d) {
            grab(d);
            d->reject();
        });
        command(m);
    };
}

std::map<QString, Shot> shots()
{
    std::map<QString, Shot> t;
    t[QStringLiteral("Main")] = {"the main window",
                                 [](Main& m, Prompts::Script&, const std::function<void(QWidget*)>& grab) {
                                     pickRunner(m);
                                     grab(&m);
                                 }};
    t[QStringLiteral("FrmRace")] = {"the race view of the whole meeting", modal([](Main& m) {
                                        m.grdMeeting->setSelectedCell(1, 1);
                                        m.MnuMeetingView->trigger();
                                    })};
    t[QStringLiteral("MeetingReport")] = {
        "the meeting report's print preview (Print Meeting in the race view)",
        [](Main& m, Prompts::Script& s, const std::function<void(QWidget*)>& grab) {
            s.answerModal([](QDialog* d) {
                if (auto* race = qobject_cast<FrmRace*>(d))
                    race->cmdPrint->click();
                d->reject();
            });
            s.answerModal([grab](QDialog* d) {
                grab(d);
                d->reject();
            });
            m.grdMeeting->setSelectedCell(1, 1);
            m.MnuMeetingView->trigger();
        }};
    t[QStringLiteral("FrmRaceStats")] = {"a horse's statistics", modal([](Main& m) {
                                             pickRunner(m);
                                             m.MnuHorseForm->trigger();
                                         })};
    t[QStringLiteral("frmRaceResult")] = {
        "a race result (double-click in the statistics)",
        [](Main& m, Prompts::Script& s, const std::function<void(QWidget*)>& grab) {
            s.answerModal([](QDialog* d) {
                if (auto* stats = qobject_cast<FrmRaceStats*>(d); stats && stats->grdStats->rows() > 0)
                {
                    stats->grdStats->setSelectedCell(1, 1);
                    stats->grdStats_OnDblClick(1, 1);
                }
                d->reject();
            });
            s.answerModal([grab](QDialog* d) {
                grab(d);
                d->reject();
            });
            pickRunner(m);
            m.MnuHorseForm->trigger();
        }};
    t[QStringLiteral("FrmSelHorse")] = {"the horse search (Find Horse)",
                                        modal([](Main& m) { m.CmdFindHorse->click(); })};
    t[QStringLiteral("frmJockey")] = {"the jockey records (File, Edit Jockey)",
                                      modal([](Main& m) { m.mnuEditJockey->trigger(); })};
    t[QStringLiteral("frmEditTrainer")] = {"the trainer record (trainer list pop-up)", modal([](Main& m) {
                                               pickRunner(m);
                                               m.mnuEditTrainer->trigger();
                                           })};
    t[QStringLiteral("frmBookRate")] = {"the riding fees (Setup)", modal([](Main& m) { m.mnuBookRate->trigger(); })};
    t[QStringLiteral("frmBookingTemplate")] = {"the booking templates (Setup)",
                                               modal([](Main& m) { m.MnuBookTemp->trigger(); })};
    t[QStringLiteral("frmState")] = {"the system settings (Setup)",
                                     modal([](Main& m) { m.mnuSystemSettings->trigger(); })};
    t[QStringLiteral("frmAllowGet")] = {"the Allow Get Data switch (Setup)",
                                        modal([](Main& m) { m.MnuAllGet->trigger(); })};
    t[QStringLiteral("frmAbout")] = {"the About window (Help)",
                                     [](Main& m, Prompts::Script&, const std::function<void(QWidget*)>& grab) {
                                         m.mnuAbout->trigger();
                                         if (QWidget* about = m.findChild<QDialog*>(QStringLiteral("frmAbout")))
                                             grab(about);
                                     }};
    // Windows whose subsystem registers an opener: shown only when this build has them.
    if (modOpeners::Openers().selectMeeting)
        t[QStringLiteral("frmSelectMeeting")] = {"the meeting list (Get Data)",
                                                 modal([](Main& m) { m.CmdGetData->click(); })};
    if (modOpeners::Openers().jockeyInvoice)
        t[QStringLiteral("frmSelectDate")] = {"the jockey invoice (jockey list pop-up)", modal([](Main& m) {
                                                  m.grdJockey->setSelectedCell(1, 1);
                                                  m.mnuJockeyReport->trigger();
                                              })};
    return t;
}

// The sample rows the start finds: a managed jockey (whose rides the start-up
// fetches from the form server), a booking template and a riding fee.
void addStartingRows(const DbFixture& db)
{
    db.exec(QStringLiteral("INSERT INTO Jockey (Jockey, FullName, JockeyColor, JockeyMobile, ManagerRate, "
                           "ManBookFee, InvoicePeriod, LastInvoiceDate) VALUES ('J Smith', 'JOHN SMITH', ' 255', "
                           "'0412 345 678', 10, 5.5, 'M', '2024-11-30')"));
    db.exec(QStringLiteral("INSERT INTO BookingTemplate (Sequence, Template) VALUES (1, 'Ring trainer')"));
    db.exec(QStringLiteral("INSERT INTO BookRate (State, RaceType, DateEffective, BookingRate) VALUES "
                           "('VIC', 'R', '2024-07-01', 200)"));
}

// The sample week: the meeting's field files read in as the user would, and
// the jockey's confirmed booking on Silver Lining.
bool addTheWeek(Main& m, const DbFixture& db, const QString& fieldDir)
{
    for (const char* file : {"0712FLEM.DGN", "0712FLEM.DGA"})
    {
        Prompts::Script script;
        script.answerOpenFiles({QDir(fieldDir).filePath(QString::fromLatin1(file))});
        m.cmdBrowse->click();
        if (!script.unexpected().isEmpty())
            return false;
    }
    db.exec(QStringLiteral("INSERT INTO Bookings (MeetingCode, RaceCode, Horse, Jockey, BookingSelection, "
                           "TrainerName, Confirmed) VALUES ('0712FLEM', '1400 HCP', 'SILVER LINING', 'J Smith', "
                           "'Confirmed', 'J HAWKES', 1)"));
    m.LoadMeetingGrid();
    m.LoadTrainerGrid();
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    RegisterWindowOpeners();
    const auto table = shots();

    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args[0] == QStringLiteral("--list") || !table.count(args[0]))
    {
        if (!args.isEmpty() && args[0] != QStringLiteral("--list"))
            std::fprintf(stderr, "windowshot: no window named %s\n", qPrintable(args[0]));
        std::printf("usage: windowshot NAME [out.png]\nwindows:\n");
        for (const auto& [name, shot] : table)
            std::printf("  %-20s %s\n", qPrintable(name), shot.what);
        return args.isEmpty() || args[0] != QStringLiteral("--list") ? 2 : 0;
    }
    const QString name = args[0];
    const QString out = QFileInfo(args.value(1, name + QStringLiteral(".png"))).absoluteFilePath();

    // A program folder, settings store and database of its own; the form
    // service is the local sample server.
    TestEnv env;
    env.installSounds();
    DbFixture db(env);
    addStartingRows(db);
    FixtureServer server;
    server.setAccount(QStringLiteral("Kelp"), QStringLiteral("Kelp"));
    QString error;
    if (!server.execFile(QStringLiteral(VELMORA_SOURCE_DIR "/tests/fixtures/FormSample.sql"), &error))
    {
        std::fprintf(stderr, "windowshot: %s\n", qPrintable(error));
        return 1;
    }
    // The meeting list's public site: the sample calendar and fields pages.
    const auto page = [](const char* name) {
        QFile f(QStringLiteral(VELMORA_SOURCE_DIR "/tests/data/web/") + QString::fromLatin1(name));
        return FixtureServer::Reply::withBody(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
    };
    server.addPage(QStringLiteral("/FreeFields/Calendar.aspx"), page("calendar-vic.html"));
    WebSources::SetBase(WebSources::Source::PublicSite, server.url());
    {
        cAppSettings s;
        s.DataServer = server.host();
        s.SaveSettings();
    }
    gAppSettings = cAppSettings();
    Main* m = Main::instance();
    m->Form_Load();
    if (m->ProgramEnded())
        return 1;
    m->resize(1280, 800);
    m->show();
    if (!addTheWeek(*m, db, QStringLiteral(VELMORA_SOURCE_DIR "/tests/data/fieldfiles")))
    {
        std::fprintf(stderr, "windowshot: the sample field files did not load\n");
        return 1;
    }

    bool saved = false;
    const auto grab = [&](QWidget* w) {
        QCoreApplication::processEvents();
        saved = w->grab().save(out, "PNG");
    };
    {
        Prompts::Script script; // every other prompt is answered as cancelled
        table.at(name).open(*m, script, grab);
    }
    m->close();
    Main::destroyInstance();
    if (!saved)
    {
        std::fprintf(stderr, "windowshot: %s did not show\n", qPrintable(name));
        return 1;
    }
    std::printf("%s\n", qPrintable(out));
    return 0;
}
