#pragma once

#include "platform/ReportDefinition.h"
#include "platform/ReportLayout.h"

#include <QList>
#include <QString>
#include <QVariantList>

/**
 * The reports' data environment: where the printed reports get their rows
 * and the definitions of the reports that belong to no window.
 *
 * Every print reads the local database of the DBPath setting as it is at
 * that moment: the file is opened for the print (through the program's one
 * database engine), never through a connection kept from an earlier print,
 * so a data folder changed in the settings during the run is what the next
 * report shows.
 *
 * Each report function returns a fresh definition; callers change their own
 * copy and print it, so one print's changes never reach the next.
 */
namespace deTarrow
{
/** The invoice's rows before the invoice window narrows them. */
inline const QString kCmdJockeyText = QStringLiteral("SELECT * FRom Racestats");
/** The rows of the bookings report. */
inline const QString kCmdBookingsText = QStringLiteral("Select * From Bookings");

/** Runs `sql` (with `params` bound) on the current local database and
 *  returns its rows, field names as the query gives them. Database failures
 *  reach the caller (VbError). */
QList<ReportRow> Rows(const QString& sql, const QVariantList& params = {});

/**
 * The jockey invoice: A4, margins of 1 twip, Arial 8.25, preview caption
 * "Jockey Winning Report". Sections "ReportHeader" (0), "PageHeader" (1425),
 * "Detail" (195, one line per ride), "PageFooter" (0) and "ReportFooter"
 * (3945). The footer's amounts are empty captions that the invoice fills;
 * "Company name" and "%INV" are its placeholders too.
 */
ReportDefinition drJockey();

/** The bookings report: defined with its caption "Jockey Bookings" and
 *  sections, never shown by the program. */
ReportDefinition drBookings();

/** The bookings report's rows (every Bookings row). */
ReportData CmdBookings();
} // namespace deTarrow
