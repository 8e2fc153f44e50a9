#pragma once

#include "pricing/Pricing.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

class Database;

// A tax rate as administrators define it. Its percentage is kept in hundredths.
struct TaxRate
{
    qint64 id = -1;
    QString name;
    qint64 rate = 0;
    bool retired = false;
    // "Standard 20%"
    QString label() const;
};

// Who gives a discount, and who approved it when it is above what the giver may give alone.
// The approver is an account found by its name and password (Credentials) just before.
struct DiscountSigner
{
    QString giver;     // the name the sales window shows
    QString giverType; // "Administrator", "Guest" or an employee's position
    QString approver;  // the account found, empty when none was typed or found
    QString approverType;
};

enum class DiscountOutcome {
    Given,
    Removed,        // a discount of 0 takes the discount away
    BadInput,       // see problem
    ApprovalNeeded, // above the limit, and no administrator approved it
    NoLine,         // the cart has no such line (any more)
    WriteFailed,
};

struct DiscountResult
{
    DiscountOutcome outcome = DiscountOutcome::WriteFailed;
    Pricing::InputProblem problem = Pricing::InputProblem::None;
    qint64 cents = 0; // what the discount takes off
    qint64 limit = 0; // the largest percentage given without approval, in hundredths
    QString approver; // who approved it, when someone had to
    QString error;
};

enum class RateOutcome { Stored, BadName, BadInput, NameTaken, InUse, Gone, WriteFailed };

struct RateResult
{
    RateOutcome outcome = RateOutcome::WriteFailed;
    Pricing::InputProblem problem = Pricing::InputProblem::None;
    qint64 id = -1;
    QString error;
};

// A completed sale as it was priced: its lines and each rate's figures, as stored when it was
// paid. Empty for a sale made without discounts or tax.
struct SoldPricing
{
    struct SoldLine
    {
        QString itemNumber;
        QString itemName;
        qint64 amount = 0;
        qint64 discount = 0; // the line's own discount and its share of the sale's
        qint64 charged = 0;
        QString rateName;
        qint64 rate = -1; // -1: sold without a rate
        qint64 tax = 0;
        qint64 paid = 0;
    };
    QVector<SoldLine> lines;
    QVector<Pricing::RateTotal> rates;
    qint64 discounts = 0;
    qint64 tax = 0;
    qint64 due = 0;
    bool isEmpty() const { return lines.isEmpty(); }
};

// The discounts given and the tax of each rate over a set of sales (a day, a till's shift), and
// what the returns of the same period gave back of each rate.
struct PricingFigures
{
    qint64 discounts = 0;
    qint64 discountCount = 0;
    QVector<Pricing::RateTotal> rates; // by rate name and percentage
    qint64 tax = 0;
    QVector<Pricing::RateTotal> refunds; // the refunds' net, tax and gross, by rate as sold
    bool isEmpty() const { return discountCount == 0 && rates.isEmpty() && refunds.isEmpty(); }
    // Each rate's figures less what was refunded of it: the tax the period owes.
    QVector<Pricing::RateTotal> owed() const;

    // The labelled lines a printed report gives these figures, in order: the discounts given,
    // each rate's net / tax / gross, and with refunds each rate's refunded and owed figures.
    // `name` is the line's label name, unique within the report.
    struct Line
    {
        QString name, caption, value;
    };
    QVector<Line> reportLines() const;
};

// Discounts and tax as the shop keeps them: the rates, each item's rate, the two settings, the
// discounts of the sales still open at the tills and the priced lines of completed sales. Each
// write runs in one transaction (or in the caller's, for recordSale).
class PricingStore
{
public:
    explicit PricingStore(Database& db, const QString& till = QStringLiteral("1"));

    static inline const QString kPricesIncludeTax = QStringLiteral("PricesIncludeTax");
    static inline const QString kDiscountLimit = QStringLiteral("DiscountLimit");

    // Prices include tax unless the shop said otherwise; none when the setting cannot be read.
    std::optional<bool> pricesIncludeTax();
    bool setPricesIncludeTax(bool on);
    // The largest percentage given without approval, in hundredths; 0 until one is set.
    std::optional<qint64> discountLimit();
    Pricing::InputProblem setDiscountLimit(const QString& percent, QString* error = nullptr);

    // Every rate, retired ones too, in the order they were made; false when the read failed.
    bool rates(QVector<TaxRate>& list);
    RateResult addRate(const QString& name, const QString& percent);
    RateResult setRetired(qint64 id, bool retired);
    // A rate an item still has is refused (InUse); it can be retired instead.
    RateResult deleteRate(qint64 id);
    // The item's rate; none when it has none (or the read failed).
    std::optional<TaxRate> itemRate(const QString& itemNumber);
    // Gives the item the rate (-1: none). A retired rate is refused for an item that has another.
    RateResult setItemRate(const QString& itemNumber, qint64 id);
    // Gives every item of the list the rate, all or none, in one transaction. When one item
    // refuses it, nothing is stored and `refusedItem` names that item.
    RateResult setItemsRate(const QStringList& itemNumbers, qint64 id, QString* refusedItem = nullptr);

    // True when this till's open sale has to be priced here: the shop has tax rates, or the
    // sale has a discount. A shop with neither sells exactly as before.
    bool active(const QString& saleNumber);
    // The open sale at this till as it would be charged now.
    std::optional<Pricing::Sale> openSale(const QString& saleNumber, QStringList* itemNumbers = nullptr);
    // The open sale's discounts and tax as shown beside its total ("Discounts: 2.19   Tax: 3.40");
    // empty for a sale with neither.
    QString openSaleSummary(const QString& saleNumber);
    // The discount given on a line (or on the sale, with an empty item number).
    std::optional<Pricing::Discount> openDiscount(const QString& saleNumber, const QString& itemNumber);
    // Gives, replaces or (with 0) takes away the discount of a cart line, or of the whole sale
    // when `itemNumber` is empty; journals it with who gave and who approved it.
    DiscountResult giveDiscount(const QString& saleNumber, const QString& itemNumber, Pricing::DiscountKind kind,
                                const QString& text, const DiscountSigner& signer);
    // Takes the sale's own discount away (a payment cancelled); line discounts stay.
    bool dropSaleDiscount(const QString& saleNumber);
    // Forgets the discounts of this till's open sale (a cart cleared), or of one of its lines (a
    // line removed). Runs in the caller's transaction when there is one.
    bool dropOpenSale();
    bool dropLineDiscount(const QString& itemNumber);

    // Stores the open sale's priced lines, its rates' figures and its discounts, and forgets its
    // open discounts. Runs inside the caller's transaction (the sale's completion). Nothing is
    // written for a sale that active() leaves alone.
    bool recordSale(const QString& saleNumber, const QString& saleDate);
    // A completed sale as it was priced.
    std::optional<SoldPricing> soldSale(const QString& saleNumber);
    // Discounts given and tax per rate over the completed sales named.
    std::optional<PricingFigures> figuresForSales(const QStringList& saleNumbers);
    // The same over the sales of the days named (DateText, as the sales record them), with the
    // tax refunded by the returns made on those days.
    std::optional<PricingFigures> figuresForDays(const QStringList& days);
    // What the returns named gave back of each rate: for each returned line, its share of the tax
    // its sold line carried, in proportion to what it refunded of what the line was paid. The
    // share is worked out on all the line's refunds so far, halves away from zero, so the
    // returns that take a whole line back give back exactly its tax. Lines sold without a rate
    // give back no tax.
    std::optional<QVector<Pricing::RateTotal>> refundsOfReturns(const QVector<qint64>& returnNumbers);

    QString lastError() const;

private:
    std::optional<QString> setting(const QString& name);
    bool putSetting(const QString& name, const QString& value);
    std::optional<PricingFigures> figures(const QString& where, const QVariantList& params);
    std::optional<PricingFigures> figuresIn(const QString& column, const QStringList& values);
    // The returned lines matched by `where` (on tblReturnLine l and tblReturn r), as refunds.
    std::optional<QVector<Pricing::RateTotal>> refunds(const QString& where, const QVariantList& values);

    Database& m_db;
    QString m_till;
};
