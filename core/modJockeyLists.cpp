#include "core/modJockeyLists.h"

#include "core/modDatabase.h"
#include "core/modJockeyStats.h"
#include "core/modUtils.h"
#include "platform/Grid.h"
#include "platform/ImageList.h"

#include <QComboBox>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QPointer>
#include <QWidget>

#include <cmath>

namespace modJockey
{
namespace
{
// Every text these loaders write: left, one line, cut with an ellipsis.
constexpr Qt::Alignment kStandardAlign = Qt::AlignLeft | Qt::AlignVCenter;

constexpr qint64 kColorWeights = 0xFF0000;    // blue
constexpr qint64 kColorAcceptances = 8224025; // 0x7D7D19
} // namespace

qint64 MeetingLevelColor(const QString& level)
{
    if (level == QLatin1String("WGT"))
        return kColorWeights;
    if (level == QLatin1String("ACP"))
        return kColorAcceptances;
    return -1;
}

QString FormatMeetingDate(const QVariant& date)
{
    if (!date.isValid() || date.isNull())
        return QString();
    QDate d;
    if (date.typeId() == QMetaType::QDateTime)
        d = date.toDateTime().date();
    else if (date.typeId() == QMetaType::QDate)
        d = date.toDate();
    else
        d = QDate::fromString(date.toString().left(10), Qt::ISODate);
    if (!d.isValid())
        return QString();
    // The month name is always English: the text also goes into web addresses.
    // A whole year's meetings are listed at once, so the usual four-digit
    // year is put together by hand; the locale formats the rest.
    if (d.year() < 1000 || d.year() > 9999)
        return QLocale::c().toString(d, QStringLiteral("yyyyMMMdd"));
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buf[10];
    const int y = d.year();
    buf[0] = char('0' + y / 1000);
    buf[1] = char('0' + y / 100 % 10);
    buf[2] = char('0' + y / 10 % 10);
    buf[3] = char('0' + y % 10);
    const char* month = kMonths[d.month() - 1];
    buf[4] = month[0];
    buf[5] = month[1];
    buf[6] = month[2];
    buf[7] = char('0' + d.day() / 10);
    buf[8] = char('0' + d.day() % 10);
    buf[9] = 0;
    return QString::fromLatin1(buf, 9);
}

qint64 JockeyColorValue(const QVariant& colorText)
{
    const QString t = modUtils::TextOf(colorText);
    if (t.trimmed().isEmpty())
        return -1;
    const double v = modUtils::Val(t);
    return static_cast<qint64>(std::llround(v));
}

ImageList* GridImages()
{
    static QPointer<ImageList> images;
    if (!images)
        images = ImageList::gridRaceIcons();
    return images;
}

void SetupJockeyGrid(Grid* grid)
{
    grid->setRedraw(false);
    grid->setImageList(GridImages());
    grid->setDefaultRowHeight(20);
    grid->addColumn(QStringLiteral("Jockey"), QStringLiteral("Jockey"), 130);
    grid->addColumn(QStringLiteral("Color"), QStringLiteral("Color"), -1, Qt::AlignLeft, Grid::SortText, false);
}

void LoadJockeyCombo(Grid* grid, QComboBox* list)
{
    if (list)
        list->clear();
    DaoRecordset rs = modDatabase::OpenLocalRecordset(QStringLiteral("SELECT * FROM Jockey order by Jockey"));
    grid->setRedraw(false);
    grid->clearRows();
    grid->setRows(rs.RecordCount());
    QStringList names;
    int row = 0;
    for (; !rs.Eof(); rs.MoveNext())
    {
        ++row;
        const QVariant colorText = rs.Fields(QStringLiteral("JockeyColor"));
        const QString name = modUtils::TextOf(rs.Fields(QStringLiteral("Jockey")));
        const qint64 color = JockeyColorValue(colorText);
        const int icon = name == gIconJockey ? ImageList::IconBestPlaced : -1;
        grid->setCellDetails(row, 1, name, kStandardAlign, icon, color);
        grid->setCellDetails(row, 2, modUtils::TextOf(colorText), kStandardAlign);
        names << name;
    }
    grid->setRedraw(true);
    if (list)
    {
        list->addItems(names);
        list->addItem(QStringLiteral("Delete Jockey"));
        // Filling an empty list selects its first entry; a list that stands
        // for a choice still to be made shows none.
        list->setCurrentIndex(-1);
    }
}

void LoadJockeyCombo(Grid* grid, QWidget* window)
{
    LoadJockeyCombo(grid, window ? window->findChild<QComboBox*>(QStringLiteral("cmbJockey")) : nullptr);
}

void LoadBookingTextCombo(QComboBox* list)
{
    DaoRecordset rs =
        modDatabase::OpenLocalRecordset(QStringLiteral("Select Template from Bookingtemplate order by sequence"));
    list->clear();
    list->addItem(QStringLiteral("Planned"));
    for (; !rs.Eof(); rs.MoveNext())
        list->addItem(modUtils::TextOf(rs.Fields(0)));
    list->addItem(QStringLiteral("Confirmed"));
    list->addItem(QStringLiteral("Remove Booking"));
    list->setCurrentIndex(-1);
}

QString RaceTypeSql(const QString& meetType)
{
    QString sql = QStringLiteral("SELECT * FROM RaceType where ");
    if (meetType == QLatin1String("M"))
        sql += QStringLiteral("MetroOrder>0 order by metroOrder");
    else
        sql += QStringLiteral("ProvOrder>0 Order by ProvOrder");
    return sql;
}

void LoadRaceTypeCombo(QComboBox* list, const QString& meetType)
{
    DaoRecordset rs = modDatabase::OpenLocalRecordset(RaceTypeSql(meetType));
    list->clear();
    for (; !rs.Eof(); rs.MoveNext())
        list->addItem(modUtils::TextOf(rs.Fields(QStringLiteral("RaceType"))));
}

void LoadRaceTypeCombo(QWidget* window, const QString& meetType)
{
    QComboBox* list = window ? window->findChild<QComboBox*>(QStringLiteral("cmbRaceType")) : nullptr;
    if (list)
        LoadRaceTypeCombo(list, meetType);
}

void SetupMeetingGrid(Grid* grid)
{
    grid->setRedraw(false);
    grid->setDefaultRowHeight(18);
    grid->addColumn(QStringLiteral("Meeting"), QStringLiteral("Meeting"), 70);
    grid->addColumn(QStringLiteral("Level"));
    grid->addColumn(QStringLiteral("Name"), QString(), -1, Qt::AlignLeft, Grid::SortText, false);
    grid->addColumn(QStringLiteral("Date"), QString(), -1, Qt::AlignLeft, Grid::SortText, false);
    grid->addColumn(QStringLiteral("State"), QString(), -1, Qt::AlignLeft, Grid::SortText, false);
}

void FillMeetingGrid(Grid* grid)
{
    DaoRecordset rs = modDatabase::OpenLocalRecordset(QStringLiteral("SELECT * FROM Meeting order by MeetingCode"));
    const int cCode = rs.FieldIndex(QStringLiteral("MeetingCode"));
    const int cLevel = rs.FieldIndex(QStringLiteral("MeetingLevel"));
    const int cLocation = rs.FieldIndex(QStringLiteral("MeetingLocation"));
    const int cDate = rs.FieldIndex(QStringLiteral("MeetingDate"));
    const int cState = rs.FieldIndex(QStringLiteral("State"));
    const int cDisplay = rs.FieldIndex(QStringLiteral("DisplayMeeting"));

    grid->setRedraw(false);
    grid->clearRows();
    grid->setRows(rs.RecordCount());
    int row = 0;
    for (; !rs.Eof(); rs.MoveNext())
    {
        // A hidden meeting (false or Null) takes no row; the rows close up.
        const QVariant display = rs.Fields(cDisplay);
        if (!display.isValid() || display.isNull() || !display.toBool())
            continue;
        ++row;
        const QString level = modUtils::TextOf(rs.Fields(cLevel));
        const qint64 color = MeetingLevelColor(level);
        grid->setCellDetails(row, 1, modUtils::TextOf(rs.Fields(cCode)), kStandardAlign, -1, -1, color);
        grid->setCellDetails(row, 2, level, kStandardAlign, -1, -1, color);
        grid->setCellDetails(row, 3, modUtils::TextOf(rs.Fields(cLocation)), kStandardAlign);
        grid->setCellDetails(row, 4, FormatMeetingDate(rs.Fields(cDate)), kStandardAlign);
        grid->setCellDetails(row, 5, modUtils::TextOf(rs.Fields(cState)), kStandardAlign);
    }
    grid->setRows(row);
    grid->setRedraw(true);
}
} // namespace modJockey
