#include "catalog/Barcode.h"

namespace Barcode {

namespace {

bool allDigits(const QString& text)
{
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return !text.isEmpty();
}

bool checkDigitHolds(const QString& digits)
{
    return digits.back().digitValue() == checkDigit(digits.chopped(1));
}

bool isUpcE(const QString& digits)
{
    if (digits.size() != 8 || (digits.front() != u'0' && digits.front() != u'1'))
        return false;
    const QString upcA = expandUpcE(digits);
    return !upcA.isEmpty() && checkDigitHolds(upcA);
}

} // namespace

int checkDigit(const QString& digits)
{
    int sum = 0;
    for (int i = 0; i < digits.size(); ++i) {
        const int weight = (digits.size() - i) % 2 == 1 ? 3 : 1; // the digit next to the check weighs 3
        sum += weight * digits.at(i).digitValue();
    }
    return (10 - sum % 10) % 10;
}

QString expandUpcE(const QString& upcE)
{
    if (upcE.size() != 8 || !allDigits(upcE))
        return {};
    const QString system = upcE.left(1);
    const QString d = upcE.mid(1, 6);
    const QString check = upcE.right(1);
    QString manufacturer;
    QString product;
    switch (d.at(5).digitValue()) {
    case 0:
    case 1:
    case 2:
        manufacturer = d.left(2) + d.at(5) + QStringLiteral("00");
        product = QStringLiteral("00") + d.mid(2, 3);
        break;
    case 3:
        manufacturer = d.left(3) + QStringLiteral("00");
        product = QStringLiteral("000") + d.mid(3, 2);
        break;
    case 4:
        manufacturer = d.left(4) + QStringLiteral("0");
        product = QStringLiteral("0000") + d.at(4);
        break;
    default:
        manufacturer = d.left(5);
        product = QStringLiteral("0000") + d.at(5);
        break;
    }
    return system + manufacturer + product + check;
}

Checked check(const QString& text)
{
    Checked result;
    result.code = text;
    if (text.isEmpty())
        return result;
    for (const QChar c : text) {
        if (c.unicode() < 0x21 || c.unicode() > 0x7e) {
            result.problem = Problem::NotPrintable;
            return result;
        }
    }
    if (text.size() < kMinLength) {
        result.problem = Problem::TooShort;
        return result;
    }
    if (text.size() > kMaxLength) {
        result.problem = Problem::TooLong;
        return result;
    }
    result.problem = Problem::None;
    if (!allDigits(text))
        return result;
    switch (text.size()) {
    case 13:
        result.kind = Kind::Ean13;
        break;
    case 12:
        result.kind = Kind::Ean13;
        result.code = QLatin1Char('0') + text;
        break;
    case 8:
        // An EAN-8 first; an 8-digit code that is none but holds as a UPC-E is that UPC-E.
        if (checkDigitHolds(text)) {
            result.kind = Kind::Ean8;
            return result;
        }
        if (isUpcE(text)) {
            result.kind = Kind::Ean13;
            result.code = QLatin1Char('0') + expandUpcE(text);
            return result;
        }
        result.problem = Problem::BadCheckDigit;
        return result;
    default:
        return result; // other digit codes (an item number as Code 128) as typed
    }
    if (!checkDigitHolds(result.code))
        result.problem = Problem::BadCheckDigit;
    return result;
}

QStringList lookupForms(const QString& text)
{
    const Checked checked = check(text);
    if (!checked.ok())
        return {};
    QStringList forms{checked.code};
    // An 8-digit code valid both ways was stored as the one its item was registered with.
    if (checked.kind == Kind::Ean8 && isUpcE(text))
        forms << QLatin1Char('0') + expandUpcE(text);
    return forms;
}

QString problemText(Problem problem)
{
    switch (problem) {
    case Problem::None:
        return {};
    case Problem::Empty:
        return QStringLiteral("Enter a barcode.");
    case Problem::TooShort:
        return QStringLiteral("A barcode has at least %1 characters.").arg(kMinLength);
    case Problem::TooLong:
        return QStringLiteral("A barcode has at most %1 characters.").arg(kMaxLength);
    case Problem::NotPrintable:
        return QStringLiteral("A barcode holds letters, digits and signs only: no blanks or control characters.");
    case Problem::BadCheckDigit:
        return QStringLiteral("The barcode's last digit is not its check digit: check the number typed.");
    }
    return {};
}

} // namespace Barcode
