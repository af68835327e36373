#include "catalogue/Catalogue.h"

#include "store/CafeStore.h"
#include "base/Prompter.h"

namespace {
// A name of blanks alone could be neither seen nor chosen: it counts as none.
bool blank(const QString &text) { return text.trimmed().isEmpty(); }
} // namespace

Catalogue::Catalogue(CafeStore &cafe, Prompter &prompter)
    : m_cafe(cafe)
    , m_prompter(prompter)
{}

void Catalogue::tellFailure(const QString &text) { m_prompter.tell(text, Prompter::Icon::Critical); }

QList<CategoryRow> Catalogue::getGroup()
{
    auto rows = m_cafe.categories();
    if (!rows) {
        tellFailure(rows.error());
        return {};
    }
    return *rows;
}

bool Catalogue::addGroup(const QString &name)
{
    if (blank(name)) {
        m_prompter.tell(QStringLiteral("Nothing Was Entered"));
        return false;
    }
    const auto exists = m_cafe.hasCategory(name);
    if (!exists) {
        tellFailure(exists.error());
    } else if (*exists) {
        m_prompter.tell(QStringLiteral("Category Already Exists"));
    } else if (const auto added = m_cafe.addCategory(name); !added) {
        tellFailure(added.error());
    }
    return true;
}

bool Catalogue::deleteGroup(const std::optional<CategoryRow> &selected)
{
    if (!selected) {
        m_prompter.tell(QStringLiteral("Nothing Selected To Be Deleted"));
        return false;
    }
    const auto deleted = m_cafe.deleteCategory(selected->aa);
    if (!deleted)
        tellFailure(deleted.error());
    return deleted.ok();
}

std::optional<Money> Catalogue::priceFrom(const QString &text)
{
    const std::optional<Money> price = Money::parse(text);
    if (!price || !price->isPrice()) {
        m_prompter.tell(QStringLiteral("\"%1\" Is Not A Price").arg(text));
        return std::nullopt;
    }
    // Prices are kept as they are shown and billed: to the cent.
    return price->roundedToCents();
}

Catalogue::Field Catalogue::addProduct(const QString &desc, const QString &priceText,
                                       const std::optional<QString> &category)
{
    if (blank(desc)) {
        m_prompter.tell(QStringLiteral("No Description Was Entered"));
        return Field::Description;
    }
    if (blank(priceText)) {
        m_prompter.tell(QStringLiteral("No Price Was Entered"));
        return Field::Price;
    }
    if (!category) {
        m_prompter.tell(QStringLiteral("No Category Was Entered"));
        return Field::Category;
    }
    const std::optional<Money> price = priceFrom(priceText);
    if (!price)
        return Field::Price;

    const auto exists = m_cafe.hasProduct(desc);
    if (!exists) {
        tellFailure(exists.error());
        return Field::Description;
    }
    if (*exists) {
        m_prompter.tell(QStringLiteral("Product Already Exists"));
    } else if (const auto added = m_cafe.addProduct({0, desc, *price, *category}); !added) {
        tellFailure(added.error());
        return Field::Description;
    }
    m_prompter.tell(QStringLiteral("Update Compelete"));
    return Field::None;
}

bool Catalogue::deleteProduct(const ProductRow &product)
{
    if (product.aa == 0 || !m_prompter.ask(QStringLiteral("Delete ") + product.desc + QStringLiteral("?")))
        return false;
    const auto deleted = m_cafe.deleteProduct(product.aa);
    if (!deleted) {
        tellFailure(deleted.error());
        return false;
    }
    m_prompter.tell(product.desc + QStringLiteral(" Deleted"));
    return true;
}

bool Catalogue::rename(const ProductRow &product, const QString &desc)
{
    if (desc == product.desc)
        return true;
    if (blank(desc)) {
        m_prompter.tell(QStringLiteral("No Description Was Entered"));
        return false;
    }
    const auto exists = m_cafe.hasProduct(desc, product.aa);
    if (!exists || *exists) {
        if (!exists)
            tellFailure(exists.error());
        else
            m_prompter.tell(QStringLiteral("Product Already Exists"));
        return false;
    }
    const auto renamed = m_cafe.setProductDesc(product.aa, desc);
    if (!renamed)
        tellFailure(renamed.error());
    return renamed.ok();
}

std::optional<Money> Catalogue::reprice(const ProductRow &product, const QString &text)
{
    const std::optional<Money> price = priceFrom(text);
    if (!price)
        return std::nullopt;
    const auto stored = m_cafe.setProductPrice(product.aa, *price);
    if (!stored) {
        tellFailure(stored.error());
        return std::nullopt;
    }
    return price;
}

QString Catalogue::newProductCaption(const QString &category)
{
    return QStringLiteral("New Product In Category ") + category;
}

QString Catalogue::productsCaption(const QString &category)
{
    return QStringLiteral("Category ") + category + QStringLiteral(" (Doubble Click To Delete)");
}
