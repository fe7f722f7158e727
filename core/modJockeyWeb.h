#pragma once

#include "core/modShared.h"

#include <QString>

/**
 * Web page lookups about a horse: its handicap rating page at the racing
 * services bureau (fetched here, so the race view can also read the rating
 * out of it) and the state racing body's horse registration search, both
 * shown in the page viewer.
 *
 * The two sites belong to outside bodies. Their addresses are configuration:
 * each has a built-in default, which the environment variables
 * VELMORA_RBH_SITE and VELMORA_REGO_SITE replace, and which SetRbhSite /
 * SetRegistrationSite replace in turn (tests point them at a local server).
 */
namespace modJockey
{
/** The horse picked in a grid (shared state); callers set it before
 *  ShowRbhRating or ShowRegistrationSearch. */
using ::gSelHorse;

/** Built-in root addresses of the two sites (scheme and host, no path). */
extern const QString kDefaultRbhSite;
extern const QString kDefaultRegistrationSite;

/** The rating bureau's root address in use, without a trailing "/". */
QString RbhSite();
/** Replaces the rating bureau's root address; an empty text restores the
 *  environment's or the built-in one. */
void SetRbhSite(const QString& root);
/** The registration search site's root address in use, without a trailing "/". */
QString RegistrationSite();
/** Replaces the registration site's root address; empty restores the default. */
void SetRegistrationSite(const QString& root);

/** Name of the page file ShowRbhRating writes in the program's folder. */
extern const QString kDisplayFile;

/**
 * The form body of the bureau's find-horse search. The name is form-encoded:
 * blanks become "+", and "&", "=", "+", "%" and other reserved characters are
 * percent-encoded so they cannot cut the form short.
 */
QString HorseSearchBody(const QString& horse);

/**
 * Looks a horse up at the rating bureau: posts the find-horse search and,
 * when the answer lists the horse with an active rating, fetches that
 * horse's details page.
 * @param horse the horse's name as stored
 * @return the details page's HTML, the search answer's HTML when no details
 *         link stands before the active entry, or "" when the search could
 *         not be sent or answered (the user has been told: "Data Error")
 */
QString FindHorseRating(const QString& horse);

/** What the rating lookup brought back, for callers that look up many horses
 *  and decide themselves what a failure means. */
struct HorseRatingPage
{
    /** The page, as FindHorseRating returns it but without its message: the
     *  details page, the search answer, "" after a reported server error or
     *  access refusal, or the search's "Error:" text. */
    QString page;
    /** The search could not be answered at all: no connection or no answer
     *  within the time limit (nothing has been shown). */
    bool unreachable = false;
    /** The search failed in some other way (an HTTP status other than 200). */
    bool failed = false;
    /** The search was answered but the horse's details page then could not
     *  be fetched at all (no connection, no answer in time); `page` holds
     *  the "Error:" text. */
    bool detailsUnreachable = false;
};

/** FindHorseRating without the "Data Error" message. */
HorseRatingPage FetchHorseRatingPage(const QString& horse);

/** The message FindHorseRating shows when the search fails: "There is some
 *  problem trying to retrieve the real-time data. Please try again later."
 *  titled "Data Error". */
void ShowRatingDataError();

/** Shows gSelHorse's rating page in the page viewer, captioned "RBH Vic
 *  Rating", from the file "display.html" written in the user's cache folder
 *  (AppPaths::scratchDir).
 *  Nothing is shown when the lookup brought back no page. */
void ShowRbhRating();

/** Shows the registration search for gSelHorse in the page viewer, captioned
 *  "Registration Search - " + the horse. */
void ShowRegistrationSearch();
} // namespace modJockey
