#include "till/TillFigures.h"

#include "pricing/Pricing.h"

#include <QHash>
#include <QStringList>

#include <algorithm>

namespace {

struct Stored
{
    const char* name;
    qint64 TillFigures::*member;
};

// Every figure a Z keeps, by the name it is stored under.
constexpr Stored kStored[] = {
    {"SessionId", &TillFigures::sessionId},
    {"Float", &TillFigures::floatAmount},
    {"SalesCount", &TillFigures::salesCount},
    {"SalesTotal", &TillFigures::salesTotal},
    {"CashCount", &TillFigures::cashCount},
    {"CashKept", &TillFigures::cashKept},
    {"CardCount", &TillFigures::cardCount},
    {"CardTotal", &TillFigures::cardTotal},
    {"CreditCount", &TillFigures::creditCount},
    {"CreditTotal", &TillFigures::creditTotal},
    {"RefundCount", &TillFigures::refundCount},
    {"RefundTotal", &TillFigures::refundTotal},
    {"ExchangeCount", &TillFigures::exchangeCount},
    {"ExchangeTotal", &TillFigures::exchangeTotal},
    {"CashInCount", &TillFigures::cashInCount},
    {"CashInTotal", &TillFigures::cashInTotal},
    {"CashOutCount", &TillFigures::cashOutCount},
    {"CashOutTotal", &TillFigures::cashOutTotal},
    {"DiscountCount", &TillFigures::discountCount},
    {"DiscountTotal", &TillFigures::discountTotal},
    {"ZNumber", &TillFigures::zNumber},
    {"Counted", &TillFigures::counted},
    {"LeftInDrawer", &TillFigures::leftInDrawer},
};

struct StoredText
{
    const char* name;
    QString TillFigures::*member;
};

constexpr StoredText kStoredText[] = {
    {"Till", &TillFigures::till},         {"OpenedAt", &TillFigures::openedAt}, {"OpenedBy", &TillFigures::openedBy},
    {"ClosedAt", &TillFigures::closedAt}, {"ClosedBy", &TillFigures::closedBy},
};

QString countAndTotal(qint64 count, qint64 total)
{
    return QStringLiteral("%1 / %2").arg(count).arg(Pricing::centsText(total));
}

} // namespace

QString TillFigures::toStored() const
{
    QStringList lines;
    for (const Stored& s : kStored)
        lines << QStringLiteral("%1=%2").arg(QLatin1String(s.name)).arg(this->*s.member);
    for (const StoredText& s : kStoredText) {
        QString value = this->*s.member;
        value.replace(QLatin1Char('\n'), QLatin1Char(' '));
        lines << QStringLiteral("%1=%2").arg(QLatin1String(s.name), value);
    }
    // One line per tax rate: "Tax=net|tax|gross|name", and per rate refunded "RefundTax=...".
    const auto taxLines = [&lines](const char* key, const QVector<TaxLine>& list) {
        for (const TaxLine& t : list) {
            QString name = t.name;
            name.replace(QLatin1Char('\n'), QLatin1Char(' '));
            lines << QStringLiteral("%1=%2|%3|%4|%5")
                         .arg(QLatin1String(key))
                         .arg(t.net)
                         .arg(t.tax)
                         .arg(t.gross)
                         .arg(name);
        }
    };
    taxLines("Tax", taxes);
    taxLines("RefundTax", refundTaxes);
    return lines.join(QLatin1Char('\n'));
}

std::optional<TillFigures> TillFigures::fromStored(const QString& text)
{
    QHash<QString, QString> values;
    QVector<TaxLine> taxes;
    QVector<TaxLine> refundTaxes;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const bool refund = line.startsWith(QLatin1String("RefundTax="));
        if (refund || line.startsWith(QLatin1String("Tax="))) {
            const QStringList parts = line.mid(line.indexOf(QLatin1Char('=')) + 1).split(QLatin1Char('|'));
            if (parts.size() >= 4)
                (refund ? refundTaxes : taxes)
                    .push_back({parts.mid(3).join(QLatin1Char('|')), parts.at(0).toLongLong(), parts.at(1).toLongLong(),
                                parts.at(2).toLongLong()});
            continue;
        }
        const qsizetype at = line.indexOf(QLatin1Char('='));
        if (at > 0)
            values.insert(line.left(at), line.mid(at + 1));
    }
    if (values.isEmpty())
        return std::nullopt;
    TillFigures f;
    for (const Stored& s : kStored)
        f.*s.member = values.value(QLatin1String(s.name)).toLongLong();
    for (const StoredText& s : kStoredText)
        f.*s.member = values.value(QLatin1String(s.name));
    f.taxes = taxes;
    f.refundTaxes = refundTaxes;
    return f;
}

QVector<TillFigures::TaxLine> TillFigures::owedTaxes() const
{
    QVector<TaxLine> list = taxes;
    for (const TaxLine& r : refundTaxes) {
        const auto at = std::find_if(list.begin(), list.end(), [&](const TaxLine& t) { return t.name == r.name; });
        if (at == list.end())
            list.push_back({r.name, -r.net, -r.tax, -r.gross});
        else
            *at = {at->name, at->net - r.net, at->tax - r.tax, at->gross - r.gross};
    }
    return list;
}

QVector<std::pair<QString, QString>> TillFigures::lines(bool blind) const
{
    QVector<std::pair<QString, QString>> out;
    const auto add = [&out](const QString& caption, const QString& value) { out.push_back({caption, value}); };
    const auto rule = [&out] { out.push_back({}); };
    add(QStringLiteral("Float"), Pricing::centsText(floatAmount));
    rule();
    add(QStringLiteral("Sales (count / total)"), countAndTotal(salesCount, salesTotal));
    add(QStringLiteral("  Cash kept"), countAndTotal(cashCount, cashKept));
    add(QStringLiteral("  Card"), countAndTotal(cardCount, cardTotal));
    if (creditCount > 0)
        add(QStringLiteral("  Exchange credit"), countAndTotal(creditCount, creditTotal));
    add(QStringLiteral("Refunds (cash)"), countAndTotal(refundCount, refundTotal));
    if (exchangeCount > 0)
        add(QStringLiteral("Returns as credit"), countAndTotal(exchangeCount, exchangeTotal));
    add(QStringLiteral("Cash in"), countAndTotal(cashInCount, cashInTotal));
    add(QStringLiteral("Cash out"), countAndTotal(cashOutCount, cashOutTotal));
    if (discountCount > 0)
        add(QStringLiteral("Discounts given"), countAndTotal(discountCount, discountTotal));
    const auto taxBlock = [&](const QString& caption, const QVector<TaxLine>& list) {
        add(caption, QStringLiteral("net / tax / gross"));
        for (const TaxLine& t : list)
            add(QStringLiteral("  ") + t.name,
                QStringLiteral("%1 / %2 / %3")
                    .arg(Pricing::centsText(t.net), Pricing::centsText(t.tax), Pricing::centsText(t.gross)));
    };
    if (!taxes.isEmpty() || !refundTaxes.isEmpty()) {
        rule();
        if (!taxes.isEmpty())
            taxBlock(QStringLiteral("Tax per rate"), taxes);
        // Returns' tax is shown beside the sales' and taken off it, so the tax owed is read
        // directly rather than worked out.
        if (!refundTaxes.isEmpty()) {
            taxBlock(QStringLiteral("Tax refunded per rate"), refundTaxes);
            taxBlock(QStringLiteral("Tax owed per rate"), owedTaxes());
        }
    }
    rule();
    if (!blind)
        add(QStringLiteral("Expected cash"), Pricing::centsText(expectedCash()));
    if (isZ()) {
        add(QStringLiteral("Counted cash"), Pricing::centsText(counted));
        if (!blind)
            add(QStringLiteral("Difference"), Pricing::centsText(difference()));
        add(QStringLiteral("Left in drawer"), Pricing::centsText(leftInDrawer));
    }
    return out;
}
