#pragma once

#include <QString>
#include <optional>

// The checks of the new-customer window, in their order: what the window
// does with the operator's entry.
namespace NewUserCheck {

enum class Field { None, Name, LastName, Telephone, Hours, Minutes };

struct Outcome
{
    enum class Kind {
        Proceed, // add the account with `minutes`
        Fill,    // write "00" into `field` and wait for the next press
        Refuse,  // tell `message`, focus `field`
    };
    Kind kind = Kind::Proceed;
    Field field = Field::None;
    QString message;
    qint64 minutes = 0;
};

Outcome check(const QString &name, const QString &lastname, const QString &telephone, const QString &hours,
              const QString &minutes);

// A number typed as digits with at most one decimal point or comma;
// nullopt for anything else (signs, exponents, words, absurd sizes).
std::optional<double> number(const QString &text);

} // namespace NewUserCheck
