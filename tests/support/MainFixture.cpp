#include "support/MainFixture.h"

#include "core/modJockeyLists.h"
#include "core/modJockeyStats.h"
#include "mainwindow/Main.h"
#include "platform/Grid.h"

#include <QDateTime>

MainFixture::MainFixture()
    : m_db(m_env)
{
    modJockey::gJockeyInList.clear();
    modJockey::gIconJockey.clear();
    Main::destroyInstance();
    m_main = Main::instance();
    modJockey::SetupMeetingGrid(m_main->grdMeeting);
    modJockey::SetupJockeyGrid(m_main->grdJockey);
    m_main->SetupNamesGrid();
    m_main->SetupNomsGrid();
}

MainFixture::~MainFixture()
{
    Main::destroyInstance();
    modJockey::gJockeyInList.clear();
    modJockey::gIconJockey.clear();
}

void MainFixture::addMeeting(const QString& code, const QString& level, bool display, const QDate& date,
                             const QString& location, const QString& state)
{
    m_db.insert(QStringLiteral("Meeting"), {{QStringLiteral("MeetingCode"), code},
                                            {QStringLiteral("MeetingLevel"), level},
                                            {QStringLiteral("DisplayMeeting"), display},
                                            {QStringLiteral("MeetingDate"), date},
                                            {QStringLiteral("MeetingLocation"), location},
                                            {QStringLiteral("State"), state}});
}

void MainFixture::addRunner(const QString& meeting, int race, const QString& trainer, const QString& horse,
                            int weight, const QString& jockey, const QString& eorb, const QString& formTrainer)
{
    const int bracket = horse.indexOf(QLatin1Char('('));
    const QString horseName = (bracket >= 1 ? horse.left(bracket) : horse).toUpper();
    m_db.insert(QStringLiteral("Noms"), {{QStringLiteral("MeetingCode"), meeting},
                                         {QStringLiteral("RaceNumber"), race},
                                         {QStringLiteral("RaceCode"), QStringLiteral("1200 HCP R%1").arg(race)},
                                         {QStringLiteral("TrainerName"), trainer},
                                         {QStringLiteral("Horse"), horse},
                                         {QStringLiteral("HorseName"), horseName},
                                         {QStringLiteral("Weight"), weight},
                                         {QStringLiteral("Jockey"), jockey},
                                         {QStringLiteral("EorB"), eorb},
                                         {QStringLiteral("Form"), QStringLiteral(" x123 ")},
                                         {QStringLiteral("Rating"), QStringLiteral("72")},
                                         {QStringLiteral("Class"), QStringLiteral("BM78")},
                                         {QStringLiteral("TrainerLocation"), QStringLiteral("Caulfield")},
                                         {QStringLiteral("Phone"), QStringLiteral("0398765432")},
                                         {QStringLiteral("FormTrainer"), formTrainer.isEmpty() ? trainer : formTrainer}});
}

void MainFixture::addTrainer(const QString& name, bool ignore, const QString& comments, const QString& phone,
                             const QString& location, const QString& mobile)
{
    QVariantMap row{{QStringLiteral("TrainerName"), name}, {QStringLiteral("IgnoreTrainer"), ignore}};
    if (!comments.isEmpty())
        row.insert(QStringLiteral("TrainerComments"), comments);
    if (!phone.isEmpty())
        row.insert(QStringLiteral("Phone"), phone);
    if (!location.isEmpty())
        row.insert(QStringLiteral("TrainerLocation"), location);
    if (!mobile.isEmpty())
        row.insert(QStringLiteral("TrainerMobile"), mobile);
    m_db.insert(QStringLiteral("Trainer"), row);
}

void MainFixture::addJockey(const QString& name, const QVariant& color)
{
    m_db.insert(QStringLiteral("Jockey"), {{QStringLiteral("Jockey"), name}, {QStringLiteral("JockeyColor"), color}});
}

void MainFixture::addBooking(const QString& meeting, const QString& horse, const QString& jockey,
                             const QString& status, bool confirmed, const QString& trainer)
{
    m_db.insert(QStringLiteral("Bookings"), {{QStringLiteral("MeetingCode"), meeting},
                                             {QStringLiteral("Horse"), horse},
                                             {QStringLiteral("Jockey"), jockey},
                                             {QStringLiteral("BookingSelection"), status},
                                             {QStringLiteral("Confirmed"), confirmed},
                                             {QStringLiteral("TrainerName"), trainer},
                                             {QStringLiteral("RaceCode"), QStringLiteral("1200 HCP R1")}});
}

void MainFixture::addRide(const QString& jockey, const QString& horse, int finish, const QString& trainer)
{
    m_db.addRide(jockey, horse, finish, trainer);
}

void MainFixture::loadJockeys() const
{
    modJockey::LoadJockeyCombo(m_main->grdJockey, m_main);
    modJockey::GetJockeyInList();
}

bool MainFixture::clickTrainer(const QString& trainer) const
{
    const int row = rowOf(m_main->grdNames, trainer);
    if (row == 0)
        return false;
    m_main->grdNames->setSelectedCell(row, 1);
    m_main->grdNames_OnMouseUp(1);
    return true;
}

int MainFixture::rowOf(const Grid* grid, const QString& text, int col)
{
    for (int r = 1; r <= grid->rows(); ++r)
    {
        if (grid->cellText(r, col) == text)
            return r;
    }
    return 0;
}
