#include "download/WebSources.h"

#include <QUrl>

namespace WebSources
{
namespace
{
constexpr int kSources = 4;

QString& override(Source source)
{
    static QString values[kSources];
    return values[static_cast<int>(source)];
}
} // namespace

QString DefaultBase(Source source)
{
    switch (source) {
    case Source::PublicSite:
        return QStringLiteral("https://www.racingaustralia.horse");
    case Source::FileListFolder:
        return QStringLiteral("https://www.racingaustralia.horse/FreeServices/");
    case Source::ClubService:
        return QStringLiteral("http://www.racingvictoria.net.au");
    case Source::RacingData:
        return QStringLiteral("http://www.racingdata.com.au");
    }
    return QString();
}

const char* EnvironmentName(Source source)
{
    switch (source) {
    case Source::PublicSite:
        return "VELMORA_PUBLIC_SITE";
    case Source::FileListFolder:
        return "VELMORA_FILELIST_FOLDER";
    case Source::ClubService:
        return "VELMORA_CLUB_SITE";
    case Source::RacingData:
        return "VELMORA_RACINGDATA_SITE";
    }
    return "";
}

QString Base(Source source)
{
    QString base = override(source);
    if (base.isEmpty())
        base = qEnvironmentVariable(EnvironmentName(source));
    if (base.isEmpty())
        base = DefaultBase(source);
    if (source == Source::FileListFolder) {
        if (!base.endsWith(QLatin1Char('/')))
            base += QLatin1Char('/');
    } else {
        while (base.endsWith(QLatin1Char('/')))
            base.chop(1);
    }
    return base;
}

void SetBase(Source source, const QString& base)
{
    override(source) = base;
}

QString Resolve(const QString& base, const QString& link)
{
    const QUrl url(link, QUrl::TolerantMode);
    if (url.isValid() && !url.scheme().isEmpty())
        return link;
    QUrl root(base, QUrl::TolerantMode);
    if (link.startsWith(QLatin1Char('/')) && !link.startsWith(QLatin1String("//"))) {
        // Site-relative: the path and query as listed, on the base's host.
        QString host = root.scheme() + QStringLiteral("://") + root.authority();
        return host + link;
    }
    return root.resolved(url).toString(QUrl::FullyEncoded);
}
} // namespace WebSources
