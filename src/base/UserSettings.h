#pragma once

#include <QByteArray>
#include <QPoint>
#include <QString>
#include <QVariant>
#include <optional>

// What the operator's own desktop remembers between runs (QSettings under
// "korvane"/"korvane"), apart from the café's books and settings.dat. The
// stored names and value forms are those earlier versions wrote, so a
// user's settings carry over.
class UserSettings
{
public:
    enum class Key {
        FirstRun,       // "config/firstrun": empty until the console has loaded once, then "no"
        Geometry,       // "config/geometry": the main window's saved geometry
        SupportAddress, // "config/support": the support page, the maker's when unset
        WindowPlace,    // "windows/<kind>/pos": where the operator last moved a window of a kind
    };
    // The stored name; `kind` only for WindowPlace.
    static QString keyName(Key key, const QString &kind = {});

    bool firstRun() const;
    void markLoaded(); // written through at once: a crash later must not bring the notice back

    QByteArray geometry() const;
    void setGeometry(const QByteArray &geometry);

    std::optional<QPoint> windowPlace(const QString &kind) const;
    void setWindowPlace(const QString &kind, QPoint at);

    QString supportAddress() const;

private:
    static QVariant value(Key key, const QString &kind = {});
    static void setValue(Key key, const QVariant &value, const QString &kind = {});
};
