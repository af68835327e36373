#include "store/SettingsFile.h"

#include <QFile>
#include <QSaveFile>

namespace {
const QStringList &defaults()
{
    static const QStringList d{
        QStringLiteral("yes"),         // poll the computers
        QStringLiteral("10000"),       // every 10 seconds
        QStringLiteral("yes"),         // toolbar shown
        QStringLiteral("1"),           // at the top
        QStringLiteral("6697728"),     // names in dark blue (RGB 0, 51, 102)
        QStringLiteral("DejaVu Sans"), // a font every Debian desktop has
        QStringLiteral("10"),
        QStringLiteral("True"),  // bold
        QStringLiteral("False"), // not italic
        QStringLiteral("big"),
    };
    return d;
}

bool truthText(const QString &s) { return s.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0; }

int intervalOf(const QString &line)
{
    bool ok = false;
    const double v = line.trimmed().toDouble(&ok);
    if (!ok || v < SettingsFile::MinimumIntervalMs)
        return SettingsFile::MinimumIntervalMs;
    if (v > 24.0 * 3600 * 1000)
        return 24 * 3600 * 1000;
    return static_cast<int>(v);
}

int sideOf(const QString &line)
{
    bool ok = false;
    const int n = line.trimmed().toInt(&ok);
    return ok && n >= 1 && n <= 4 ? n : 0;
}

quint32 colorOf(const QString &line)
{
    bool ok = false;
    const qlonglong v = line.trimmed().toLongLong(&ok);
    if (!ok || v < 0 || v > 0xFFFFFF)
        return 0;
    return quint32((v & 0xFF) << 16 | (v & 0xFF00) | ((v >> 16) & 0xFF));
}

int fontSizeOf(const QString &line)
{
    bool ok = false;
    const int n = line.trimmed().toInt(&ok);
    return ok && n >= 4 && n <= 72 ? n : 10;
}

QStringList linesOf(const QByteArray &data)
{
    // Latin-1 keeps every byte of a single-byte code page; the file holds ASCII in practice.
    QString text = QString::fromLatin1(data);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line
    return lines;
}
} // namespace

SettingsFile::SettingsFile()
    : m_lines(defaults())
{
    understand();
}

void SettingsFile::setText(Key key, const QString &value)
{
    m_lines[int(key)] = value;
    understand();
}

void SettingsFile::understand()
{
    const auto yes = [this](Key key) { return text(key) == QLatin1String("yes"); };
    m_values = {
        .polling = yes(Key::Polling),
        .intervalMs = intervalOf(text(Key::Interval)),
        .toolbarShown = yes(Key::ToolbarShown),
        .toolbarSide = sideOf(text(Key::ToolbarSide)),
        .nameColor = colorOf(text(Key::NameColor)),
        .fontSize = fontSizeOf(text(Key::FontSize)),
        .bold = truthText(text(Key::Bold)),
        .italic = truthText(text(Key::Italic)),
        .bigIcons = text(Key::IconSize) == QLatin1String("big"),
    };
}

SettingsFile SettingsFile::fromLines(const QStringList &lines)
{
    SettingsFile s;
    for (int at = 0; at + Lines <= lines.size(); at += Lines) {
        s.m_lines = lines.mid(at, Lines);
        s.m_defaults = false;
    }
    s.understand();
    return s;
}

SettingsFile SettingsFile::read(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return SettingsFile();
    return fromLines(linesOf(f.readAll()));
}

Result<SettingsFile> SettingsFile::parse(const QByteArray &data)
{
    for (const char c : data)
        if (uchar(c) < 0x20 && c != '\r' && c != '\n' && c != '\t')
            return failure(QStringLiteral("it is not text"));
    const SettingsFile s = fromLines(linesOf(data));
    if (s.fromDefaults())
        return failure(QStringLiteral("it does not hold the %1 lines of a settings file").arg(Lines));
    return s;
}

std::optional<QString> SettingsFile::write(const QString &path) const
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return f.errorString();
    QByteArray data;
    for (const QString &l : m_lines)
        data += l.toLatin1() + "\r\n";
    f.write(data);
    if (!f.commit())
        return f.errorString();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return std::nullopt;
}

QString SettingsFile::colorText(quint32 rgb)
{
    return QString::number((rgb & 0xFF) * 65536 + (rgb & 0xFF00) + ((rgb >> 16) & 0xFF));
}
