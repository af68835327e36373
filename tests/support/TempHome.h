#pragma once

#include "store/Installer.h"
#include "store/Paths.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

// Whether nobody but its owner may read or write the file at path.
inline bool ownerOnly(const QString &path)
{
    return QFileInfo::exists(path) && !(QFileInfo(path).permissions() & 0x77);
}

// A program of the build (korvane, korvane-tools) run to its end with no
// answer to any question: its exit code, -1 when it did not end.
inline int runProgram(const QString &program, const QStringList &args, QByteArray *out = nullptr,
                      QByteArray *err = nullptr)
{
    QProcess p;
    p.start(qEnvironmentVariable("KORVANE_BIN_DIR") + QLatin1Char('/') + program, args);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    if (out)
        *out = p.readAllStandardOutput();
    if (err)
        *err = p.readAllStandardError();
    return p.exitCode();
}

// A fresh application folder, installed, removed when the test ends. Its
// books are on the throwaway server when the suite runs against it
// (PgServer::wanted()), each folder with a database of its own.
class TempHome
{
public:
    explicit TempHome(bool install = true);
    ~TempHome();
    bool ok() const { return m_ok; }
    const Paths &paths() const { return m_paths; }
    QString path() const { return m_dir.path() + QStringLiteral("/home"); }

private:
    QTemporaryDir m_dir;
    Paths m_paths;
    bool m_ok = false;
};
