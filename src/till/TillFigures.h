#pragma once

#include <QString>
#include <QVector>

#include <optional>
#include <utility>

// The figures of one till session, in cents: what an X shows of the open session and what a Z
// keeps at the close. X and Z, their printouts and the stored Z are all made from this one
// struct, so an X equals the Z taken at that moment. A new figure is added to the struct, to
// the table of stored figures in TillFigures.cpp and, where it is printed, to lines().
struct TillFigures
{
    qint64 sessionId = 0;
    QString till;
    QString openedAt; // "yyyy-MM-dd HH:mm:ss"
    QString openedBy;
    QString closedAt; // empty while the session is open (an X)
    QString closedBy;

    qint64 floatAmount = 0;
    qint64 salesCount = 0;
    qint64 salesTotal = 0; // the amounts due of the session's sales
    qint64 cashCount = 0;  // sales with a cash part
    qint64 cashKept = 0;   // amount due less the card part (and any exchange credit), per sale
    qint64 cardCount = 0;
    qint64 cardTotal = 0;
    qint64 creditCount = 0; // sales that took an exchange's credit
    qint64 creditTotal = 0;
    qint64 refundCount = 0; // returns refunded in cash from the drawer
    qint64 refundTotal = 0;
    qint64 exchangeCount = 0; // returns left as credit for a next sale (no cash moved)
    qint64 exchangeTotal = 0;
    qint64 cashInCount = 0;
    qint64 cashInTotal = 0;
    qint64 cashOutCount = 0;
    qint64 cashOutTotal = 0;

    // Discounts given on the session's sales, and the tax of each rate they were sold at; both
    // stay empty (and unprinted) for a shop without discounts or tax rates.
    qint64 discountCount = 0;
    qint64 discountTotal = 0;
    struct TaxLine
    {
        QString name; // "Standard 20%"
        qint64 net = 0;
        qint64 tax = 0;
        qint64 gross = 0;
    };
    QVector<TaxLine> taxes;
    // What the session's returns gave back of each rate (refunds and exchange credits alike).
    QVector<TaxLine> refundTaxes;
    // Each rate's figures less what its returns gave back: the tax the session owes.
    QVector<TaxLine> owedTaxes() const;

    // Z only.
    qint64 zNumber = 0; // 0 for an X
    qint64 counted = 0;
    qint64 leftInDrawer = 0;

    // Float + cash kept for sales - cash refunded + cash in - cash out.
    qint64 expectedCash() const { return floatAmount + cashKept - refundTotal + cashInTotal - cashOutTotal; }
    // Counted less expected: negative when the drawer is short.
    qint64 difference() const { return counted - expectedCash(); }
    bool isZ() const { return zNumber > 0; }

    // The stored form of a Z's figures ("name=value" lines) and back; none when the text holds
    // none of them. Names the text does not hold stay 0, so a Z stored before a figure existed
    // still reads.
    QString toStored() const;
    static std::optional<TillFigures> fromStored(const QString& text);

    // The printed lines, caption and value, in order; an empty pair is a rule. With `blind`,
    // the expected cash and the difference are left out (a count not yet typed).
    QVector<std::pair<QString, QString>> lines(bool blind = false) const;
};
