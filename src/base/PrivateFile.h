#pragma once

#include <QFileDevice>
#include <QString>

// Exports and printed cards hold customers' PINs: they are readable and
// writable by their owner only.
namespace PrivateFile {

constexpr QFileDevice::Permissions kMode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Creates path empty with that mode, or empties it and takes that mode, so a
// writer that then opens it by name (a PDF writer, a printer) keeps the mode.
// False when it cannot, or for an empty path (a printer that writes no file):
// a writer that follows then fails and says why.
bool prepare(const QString &path);

} // namespace PrivateFile
