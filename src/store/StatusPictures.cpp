#include "store/StatusPictures.h"

static void initResources() { Q_INIT_RESOURCE(resources); }

QString StatusPictures::fileName(Picture p)
{
    switch (p) {
    case Picture::Free:
        return QStringLiteral("offsys.dqtz");
    case Picture::Normal:
        return QStringLiteral("onsys.dqtz");
    case Picture::Prepaid:
        return QStringLiteral("presys.dqtz");
    case Picture::Account:
        return QStringLiteral("usersys.dqtz");
    case Picture::Error:
        return QStringLiteral("errorsys.dqtz");
    }
    return QString();
}

QList<Picture> StatusPictures::all()
{
    return {Picture::Free, Picture::Normal, Picture::Prepaid, Picture::Account, Picture::Error};
}

QString StatusPictures::shipped(Picture p)
{
    initResources();
    return QStringLiteral(":/pictures/") + fileName(p);
}
