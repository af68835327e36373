#include "base/Manual.h"

#include <QFile>
#include <QStringList>

// The sources are resources of the static core library, which the linker
// keeps only when something names its initialiser.
static void initResources() { Q_INIT_RESOURCE(resources); }

namespace Manual {

namespace {
bool isHeading(const QString &line)
{
    if (line.isEmpty() || line.at(0) == QLatin1Char(' '))
        return false;
    for (const QChar c : line)
        if (c != QLatin1Char(' ') && (c < QLatin1Char('A') || c > QLatin1Char('Z')))
            return false;
    return true;
}
} // namespace

QString help(const QString &program)
{
    initResources();
    QFile file(QStringLiteral(":/manual/%1.txt").arg(program));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QString usage;
    QString body;
    QString section;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        // A heading is a line of capitals and blanks alone, as in the manual page.
        if (isHeading(line)) {
            section = line;
            if (section != QLatin1String("SYNOPSIS") && section != QLatin1String("DESCRIPTION")
                && section != QLatin1String("SEE ALSO"))
                body += line.left(1) + line.mid(1).toLower() + QLatin1String(":\n");
            continue;
        }
        if (section == QLatin1String("SYNOPSIS")) {
            if (!line.isEmpty())
                usage += QLatin1String("Usage: ") + line + QLatin1Char('\n');
        } else if (section == QLatin1String("DESCRIPTION")) {
            body += line + QLatin1Char('\n');
        } else if (section != QLatin1String("SEE ALSO")) {
            body += (line.isEmpty() ? QString() : QLatin1String("  ") + line) + QLatin1Char('\n');
        }
    }
    return usage + lines.first() + QLatin1String("\n\n") + body.trimmed() + QLatin1Char('\n');
}

} // namespace Manual
