#include "store/ServerAddress.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

bool ServerAddress::isServer(const QString &location)
{
    return location.startsWith(QLatin1String("postgresql://")) || location.startsWith(QLatin1String("postgres://"));
}

Result<ServerAddress> ServerAddress::parse(const QString &location)
{
    const QUrl url(location, QUrl::StrictMode);
    if (!isServer(location) || !url.isValid())
        return failure(QStringLiteral("%1 is not a PostgreSQL address (postgresql://user@host:port/database)")
                           .arg(location));
    if (!url.password().isEmpty())
        return failure(QStringLiteral("The address of the books must not hold a password: keep it in ~/.pgpass"));
    ServerAddress a;
    a.user = url.userName();
    a.host = url.host();
    a.port = url.port(-1);
    a.database = url.path().mid(1);
    QStringList options;
    const QUrlQuery query(url);
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host"))
            a.host = value;
        else if (key == QLatin1String("schema"))
            a.schema = value;
        else if (key == QLatin1String("shared"))
            a.shared = value;
        else if (key == QLatin1String("password"))
            return failure(QStringLiteral("The address of the books must not hold a password: keep it in ~/.pgpass"));
        else if (QRegularExpression(QStringLiteral("^[a-z_]+$")).match(key).hasMatch() && !value.contains(QLatin1Char(';')))
            options << key + QLatin1Char('=') + value;
        else
            return failure(QStringLiteral("%1: the option %2 is not understood").arg(location, key));
    }
    a.options = options.join(QLatin1Char(';'));
    // The schema is put into SQL by name, so only plain names pass.
    static const QRegularExpression plain(QStringLiteral("^[a-z_][a-z0-9_]{0,62}$"));
    if (a.database.isEmpty() || (!a.schema.isEmpty() && !plain.match(a.schema).hasMatch())
        || (!a.shared.isEmpty() && !plain.match(a.shared).hasMatch()))
        return failure(QStringLiteral("%1 does not name a database").arg(location));
    return a;
}

QString ServerAddress::forBook(const QString &url, const QString &schema, const QString &shared)
{
    QUrl u(url);
    QUrlQuery query(u);
    query.removeAllQueryItems(QStringLiteral("schema"));
    query.removeAllQueryItems(QStringLiteral("shared"));
    query.addQueryItem(QStringLiteral("schema"), schema);
    if (!shared.isEmpty())
        query.addQueryItem(QStringLiteral("shared"), shared);
    u.setQuery(query);
    return u.toString();
}

QString ServerAddress::shown() const
{
    QUrl u;
    u.setScheme(QStringLiteral("postgresql"));
    u.setUserName(user);
    if (!host.startsWith(QLatin1Char('/')))
        u.setHost(host);
    u.setPort(port);
    u.setPath(QLatin1Char('/') + database);
    if (host.startsWith(QLatin1Char('/')))
        u.setQuery(QStringLiteral("host=") + host);
    return u.toString();
}
