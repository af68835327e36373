#pragma once

#include <QString>

// The --help text of a program, from the same source as its manual page
// (resources/manual/<program>.txt; scripts/manpage.py makes the page).
namespace Manual {
// Empty when the program has no manual source.
QString help(const QString &program);
} // namespace Manual
