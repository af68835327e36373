#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

// settings.dat: ten lines of display and polling options. Values are kept as
// the text of their lines; the accessors say how each line is understood.
class SettingsFile
{
public:
    static constexpr int Lines = 10;
    static constexpr int MinimumIntervalMs = 1000;

    SettingsFile(); // the defaults
    // Blocks of ten lines while the file has lines: the last full block wins.
    // A missing file or one without a full block gives the defaults.
    static SettingsFile read(const QString &path);
    static SettingsFile fromLines(const QStringList &lines);
    // Replaces the whole file with ten CRLF lines. Returns an error text.
    std::optional<QString> write(const QString &path) const;

    QStringList lines() const { return m_lines; }
    QString line(int n) const { return m_lines.value(n - 1); } // 1-based
    void setLine(int n, const QString &value) { m_lines[n - 1] = value; }
    bool fromDefaults() const { return m_defaults; }

    QString checkpc() const { return line(1); }
    QString checint() const { return line(2); }
    bool pollingOn() const { return line(1) == QLatin1String("yes"); }
    // Line 2 in milliseconds; 0, negative or not a number gives the minimum.
    int intervalMs() const;
    bool toolbarVisible() const { return line(3) == QLatin1String("yes"); }
    // 1 top, 2 bottom, 3 left, 4 right; 0 when line 4 is none of these.
    int toolbarSide() const;
    // Line 5 holds blue × 65536 + green × 256 + red.
    QColor nameColor() const;
    static QString colorText(const QColor &c);
    QString fontName() const { return line(6); }
    int fontSize() const;
    bool bold() const;
    bool italic() const;
    bool bigIcons() const { return line(10) == QLatin1String("big"); }

private:
    QStringList m_lines;
    bool m_defaults = true;
};
