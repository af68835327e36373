#pragma once

#include "store/Paths.h"
#include "store/StatusPictures.h"

#include <QImage>
#include <QSet>
#include <functional>

// The status pictures as images, for the map.
class PictureLoader
{
public:
    explicit PictureLoader(const Paths &paths);

    // The picture the installation ships for a state.
    static QImage shipped(Picture p);

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
