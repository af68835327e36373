#pragma once

#include <QList>
#include <QString>

// The five pictures that show a computer's state on the map.
enum class Picture { Free, Normal, Prepaid, Account, Error };

class StatusPictures
{
public:
    // The map's big icon: 930 × 960 twips at 96 dots per inch.
    static constexpr int Width = 62;
    static constexpr int Height = 64;

    static QString fileName(Picture p);
    static QList<Picture> all();
    // The PNG the installation ships for a state, among the program's
    // resources: kept as bytes so the installer writes them without Qt GUI.
    static QString shipped(Picture p);
};
