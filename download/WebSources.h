#pragma once

#include <QString>

/**
 * Where the meeting downloader finds its web sources. Each source's base
 * address (scheme, host, port and, for the file list, its folder) has a
 * built-in default; an environment variable replaces it, and SetBase
 * replaces both (tests point every source at the local fixture server).
 *
 * | source          | environment variable        |
 * |-----------------|-----------------------------|
 * | PublicSite      | VELMORA_PUBLIC_SITE         |
 * | FileListFolder  | VELMORA_FILELIST_FOLDER     |
 * | ClubService     | VELMORA_CLUB_SITE           |
 * | RacingData      | VELMORA_RACINGDATA_SITE     |
 */
namespace WebSources
{
enum class Source
{
    PublicSite,     // the national racing body's public site: calendar and fields pages
    FileListFolder, // the folder of that body's file list by state and its file-view pages
    ClubService,    // the state racing club's web service
    RacingData,     // the racing data site of the bureau's file list
};

/** The built-in address of a source. */
QString DefaultBase(Source source);
/** The environment variable that replaces it. */
const char* EnvironmentName(Source source);
/** The address in use: set by SetBase, else the environment's, else the
 *  default. Sites come without a trailing "/"; the file-list folder always
 *  ends in one (links on its pages are relative to it). */
QString Base(Source source);
/** Replaces a source's address for the rest of the run; an empty text goes
 *  back to the environment's or the default. */
void SetBase(Source source, const QString& base);

/** `link` as a full address: a link with a scheme is kept, a site-relative
 *  one ("/FreeFields/...") goes on the base's host, any other is resolved
 *  against the base as a folder or page address. */
QString Resolve(const QString& base, const QString& link);
} // namespace WebSources
