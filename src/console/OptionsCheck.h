#pragma once

#include "base/Prompter.h"

#include <QString>
#include <variant>

// The checks Save makes on the seconds between presence checks, in order.
namespace OptionsCheck {

struct Refusal
{
    QString text;
    Prompter::Icon icon;
};

constexpr double MinimumSeconds = 7;
// A day between checks is as good as never; beyond it the line would not fit a timer.
constexpr double MaximumSeconds = 86400;

// The seconds typed, or why they are refused.
std::variant<double, Refusal> seconds(const QString &text);

// Line 2 of the settings file: milliseconds, a whole number.
QString intervalLine(double seconds);

} // namespace OptionsCheck
