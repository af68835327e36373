#include "base/UserSettings.h"

#include <QSettings>

namespace {
QSettings stored() { return QSettings(QStringLiteral("korvane"), QStringLiteral("korvane")); }
} // namespace

QString UserSettings::keyName(Key key, const QString &kind)
{
    switch (key) {
    case Key::FirstRun:
        return QStringLiteral("config/firstrun");
    case Key::Geometry:
        return QStringLiteral("config/geometry");
    case Key::SupportAddress:
        return QStringLiteral("config/support");
    case Key::WindowPlace:
        return QStringLiteral("windows/") + kind + QStringLiteral("/pos");
    }
    return {};
}

QVariant UserSettings::value(Key key, const QString &kind) { return stored().value(keyName(key, kind)); }

void UserSettings::setValue(Key key, const QVariant &value, const QString &kind)
{
    stored().setValue(keyName(key, kind), value);
}

bool UserSettings::firstRun() const { return value(Key::FirstRun).toString().isEmpty(); }

void UserSettings::markLoaded()
{
    QSettings s = stored();
    s.setValue(keyName(Key::FirstRun), QStringLiteral("no"));
    s.sync();
}

QByteArray UserSettings::geometry() const { return value(Key::Geometry).toByteArray(); }
void UserSettings::setGeometry(const QByteArray &geometry) { setValue(Key::Geometry, geometry); }

std::optional<QPoint> UserSettings::windowPlace(const QString &kind) const
{
    const QVariant kept = value(Key::WindowPlace, kind);
    return kept.isValid() ? std::optional<QPoint>(kept.toPoint()) : std::nullopt;
}

void UserSettings::setWindowPlace(const QString &kind, QPoint at) { setValue(Key::WindowPlace, at, kind); }

QString UserSettings::supportAddress() const
{
    const QVariant kept = value(Key::SupportAddress);
    return kept.isValid() ? kept.toString() : QStringLiteral("https://www.korvane.org/support");
}
