#pragma once

#include "store/Paths.h"

#include <QImage>
#include <QSet>
#include <QString>
#include <functional>

// The five pictures that show a computer's state on the map.
enum class Picture { Free, Normal, Prepaid, Account, Error };

class StatusPictures
{
public:
    // The map's big icon: 930 × 960 twips at 96 dots per inch.
    static constexpr int Width = 62;
    static constexpr int Height = 64;

    explicit StatusPictures(const Paths &paths);

    static QString fileName(Picture p);
    static QList<Picture> all();
    // Draws the picture the installation ships for a state.
    static QImage draw(Picture p);

    // Loads the picture from the system folder each time (the files are the
    // installation's, the operator may replace them). A file that cannot be
    // read gives a null image and is reported once through the reporter.
    QImage load(Picture p);
    void setReporter(std::function<void(const QString &)> report) { m_report = std::move(report); }

private:
    Paths m_paths;
    QSet<QString> m_reported;
    std::function<void(const QString &)> m_report;
};
