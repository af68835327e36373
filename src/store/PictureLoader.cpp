#include "store/PictureLoader.h"

#include <QImageReader>

PictureLoader::PictureLoader(const Paths &paths)
    : m_paths(paths)
{}

QImage PictureLoader::shipped(Picture p)
{
    QImageReader reader(StatusPictures::shipped(p), "PNG");
    return reader.read();
}

QImage PictureLoader::load(Picture p)
{
    const QString path = m_paths.systemFile(StatusPictures::fileName(p));
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QImage img = reader.read();
    if (img.isNull() && !m_reported.contains(path)) {
        m_reported.insert(path);
        if (m_report)
            m_report(QStringLiteral("The picture %1 cannot be loaded: %2").arg(path, reader.errorString()));
    }
    return img;
}
