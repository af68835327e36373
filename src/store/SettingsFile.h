#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringList>
#include <optional>

// settings.dat: ten lines of display and polling options. Values are kept as
// the text of their lines, so a file is rewritten as it was read; each line
// is understood once, when it is read or set, and the typed accessors hand
// out what was understood.
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
    void setText(Key key, const QString &value);
    // "yes" or "no", as the file writes a switch.
    void setSwitch(Key key, bool on) { setText(key, on ? QStringLiteral("yes") : QStringLiteral("no")); }
    bool fromDefaults() const { return m_defaults; }

    // A switch is on only while its line is exactly "yes".
    bool pollingOn() const { return m_values.polling; }
    // Line 2 in milliseconds; 0, negative or not a number gives the minimum.
    int intervalMs() const { return m_values.intervalMs; }
    bool toolbarVisible() const { return m_values.toolbarShown; }
    // 1 top, 2 bottom, 3 left, 4 right; 0 when line 4 is none of these.
    int toolbarSide() const { return m_values.toolbarSide; }
    // Line 5 holds blue × 65536 + green × 256 + red; read as 0xRRGGBB (what
    // QColor::fromRgb takes), black when unreadable, so the core needs no Qt GUI.
    quint32 nameColor() const { return m_values.nameColor; }
    static QString colorText(quint32 rgb);
    QString fontName() const { return text(Key::FontName); }
    int fontSize() const { return m_values.fontSize; }
    bool bold() const { return m_values.bold; }
    bool italic() const { return m_values.italic; }
    bool bigIcons() const { return m_values.bigIcons; }

private:
    struct Values
    {
        bool polling = false;
        int intervalMs = MinimumIntervalMs;
        bool toolbarShown = false;
        int toolbarSide = 0;
        quint32 nameColor = 0;
        int fontSize = 10;
        bool bold = false;
        bool italic = false;
        bool bigIcons = false;
    };
    void understand();

    QStringList m_lines;
    bool m_defaults = true;
    Values m_values;
};
