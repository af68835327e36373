#pragma once

#include "store/Records.h"

#include <QList>
#include <QString>
#include <optional>

class CafeStore;
class Prompter;

// The café's price list as the operator keeps it: categories, products and
// their prices. Every operation reads or writes the books at once and tells
// the operator its outcome; nothing is cached.
//
// Names are ordinary data, blanks and quotes included. Duplicates are found
// without regard to letter case, in every alphabet: "coffee" is the product
// "Coffee" already, as the café's books have always compared them.
class Catalogue
{
public:
    Catalogue(CafeStore &cafe, Prompter &prompter);

    CafeStore &cafe() { return m_cafe; }
    Prompter &prompter() { return m_prompter; }

    // Every category in table order; empty (and told) when unreadable.
    QList<CategoryRow> getGroup();
    // False when nothing was entered (the entry field keeps the focus).
    bool addGroup(const QString &name);
    // nullopt: nothing selected. The category's products stay as they are.
    bool deleteGroup(const std::optional<CategoryRow> &selected);

    // The entry field a refused new product sends the operator back to.
    enum class Field { None, Description, Price, Category };
    // Field::None once the entry is done with: added, or refused as a
    // duplicate, followed by "Update Compelete" either way.
    Field addProduct(const QString &desc, const QString &price, const std::optional<QString> &category);
    // Asks first; true when the product was deleted.
    bool deleteProduct(const ProductRow &product);

    // Edits of the price list, refused with the reason told: false, or the
    // price as stored.
    bool rename(const ProductRow &product, const QString &desc);
    std::optional<Money> reprice(const ProductRow &product, const QString &price);

    // A typed price: an amount of money, not negative, kept to the cent;
    // nullopt (told) otherwise.
    std::optional<Money> priceFrom(const QString &text);
    // A database failure, told with its cause.
    void tellFailure(const QString &text);

    static QString newProductCaption(const QString &category);
    static QString productsCaption(const QString &category);

private:
    CafeStore &m_cafe;
    Prompter &m_prompter;
};
