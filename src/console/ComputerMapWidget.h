#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

class QLabel;
class SettingsFile;

// How every element of the map looks: icon size and the names' font and colour.
struct MapLook
{
    bool big = true;
    QColor color = Qt::black;
    QFont font;

    static MapLook from(const SettingsFile &settings);
};

// The café as a picture: an icon and a name per computer, placed in twips.
// It knows nothing of time charges; it reports mouse input by signals.
class ComputerMapWidget : public QWidget
{
    Q_OBJECT
public:
    static constexpr int TwipsPerInch = 1440;
    static constexpr int BigWidth = 930, BigHeight = 960;
    static constexpr int SmallWidth = 610, SmallHeight = 600;
    static constexpr int LabelRight = 50, LabelBelow = 510;

    explicit ComputerMapWidget(QWidget *parent = nullptr);

    void setLook(const MapLook &look);
    MapLook look() const { return m_look; }

    // Adds a computer at left/top twips with the template picture.
    void addComputer(int aa, const QString &name, int left, int top);
    void clear();
    QList<int> computers() const;
    bool contains(int aa) const { return m_items.contains(aa); }
    QString name(int aa) const;

    void setPicture(int aa, const QImage &picture);
    QImage picture(int aa) const { return m_items.value(aa).picture; }
    // The name label's own tool tip.
    void setTip(int aa, const QString &text);
    QString tip(int aa) const;

    // "Set Icon Position": presses drag icons instead of clicking them.
    void setMoving(bool on);
    bool isMoving() const { return m_moving; }

    // Stretched to the screen's width and its height less 1000 twips.
    void setBackground(const QImage &picture);
    QImage background() const { return m_background; }
    QSize backgroundSize() const;

    // Places in twips, as stored.
    QPoint position(int aa) const;
    // The nearest place to left/top (twips) where the computer's icon and
    // name lie wholly inside the map.
    QPoint keptInside(int aa, int left, int top) const;
    // Moves a computer lying partly outside the map back inside; true if it moved.
    bool bringInside(int aa);
    // The map in pixels: the window's part or the screen's picture area, the larger.
    QSize extent() const;
    QWidget *icon(int aa) const;
    QLabel *label(int aa) const;

    int toPixelsX(int twips) const;
    int toPixelsY(int twips) const;
    int toTwipsX(int pixels) const;
    int toTwipsY(int pixels) const;

    static QImage templatePicture();

    // The room every icon and name takes, from the top-left corner: the map
    // never gets smaller than this, so a scroll area reaches every computer.
    QSize iconsExtent() const;

signals:
    // Any button pressed on an icon: it becomes the current computer.
    void iconPressed(int aa);
    // Left click, not in the moving mode.
    void iconClicked(int aa);
    // Left click in the moving mode.
    void iconPicked(int aa);
    void popupRequested(int aa, const QPoint &globalPos);
    // New place of a dragged icon, twips.
    void moved(int aa, int left, int top);
    // The pointer is over a name label; its tip can be set now.
    void hovered(int aa);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Item
    {
        QString name;
        int left = 0; // twips
        int top = 0;
        QImage picture;
        QLabel *icon = nullptr;
        QLabel *label = nullptr;
    };

    void place(Item &item);
    void updateExtent();
    void styleLabel(Item &item);
    int itemOf(QObject *o) const;

    QHash<int, Item> m_items;
    MapLook m_look;
    bool m_moving = false;
    bool m_dragging = false;
    QPoint m_grab; // pixels inside the icon
    QImage m_background;
    QPixmap m_scaled;
};
