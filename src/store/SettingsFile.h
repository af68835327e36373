#pragma once

#include "ui/Result.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

// settings.dat: ten lines of display and polling options. Values are kept as
// the text of their lines, so a file is rewritten as it was read; each value
// is reached by its name, and the accessors say how it is understood.
class SettingsFile
{
public:
    // The values in the order of their lines.
    enum class Key {
        Polling,
        Interval,
        ToolbarShown,
        ToolbarSide,
        NameColor,
        FontName,
        FontSize,
        Bold,
        Italic,
        IconSize
    };
    static constexpr int Lines = 10;
    // The shortest probe interval the console keeps to, whatever the file says.
    static constexpr int MinimumIntervalMs = 1000;

    SettingsFile(); // the defaults
    // Blocks of ten lines while the file has lines: the last full block wins.
    // A missing file or one without a full block gives the defaults.
    static SettingsFile read(const QString &path);
    // The file these bytes make, or why they are not a settings file (not
    // text, or without ten lines); a file brought in from elsewhere is checked so.
    static Result<SettingsFile> parse(const QByteArray &data);
    static SettingsFile fromLines(const QStringList &lines);
    // Replaces the whole file with ten CRLF lines. Returns an error text.
    std::optional<QString> write(const QString &path) const;

    QStringList lines() const { return m_lines; }
    QString text(Key key) const { return m_lines.value(int(key)); }
    void setText(Key key, const QString &value) { m_lines[int(key)] = value; }
    // "yes" or "no", as the file writes a switch.
    void setSwitch(Key key, bool on) { setText(key, on ? QStringLiteral("yes") : QStringLiteral("no")); }
    bool isOn(Key key) const { return text(key) == QLatin1String("yes"); }
    bool fromDefaults() const { return m_defaults; }

    QString checkpc() const { return text(Key::Polling); }
    QString checint() const { return text(Key::Interval); }
    bool pollingOn() const { return isOn(Key::Polling); }
    // Line 2 in milliseconds; 0, negative or not a number gives the minimum.
    int intervalMs() const;
    bool toolbarVisible() const { return isOn(Key::ToolbarShown); }
    // 1 top, 2 bottom, 3 left, 4 right; 0 when line 4 is none of these.
    int toolbarSide() const;
    // Line 5 holds blue × 65536 + green × 256 + red.
    QColor nameColor() const;
    static QString colorText(const QColor &c);
    QString fontName() const { return text(Key::FontName); }
    int fontSize() const;
    bool bold() const;
    bool italic() const;
    bool bigIcons() const { return text(Key::IconSize) == QLatin1String("big"); }

private:
    QStringList m_lines;
    bool m_defaults = true;
};
