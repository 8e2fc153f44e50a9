#pragma once

#include <QString>
#include <QStringList>

// The barcodes a shop scans: the makers' retail codes (EAN-13, EAN-8, UPC-A, UPC-E), checked by
// their check digit, and any other code (Code 128, Code 39) kept as typed.
namespace Barcode {

enum class Kind
{
    Ean13, // also a UPC-A or UPC-E, stored as the EAN-13 it stands for
    Ean8,
    Other,
};

enum class Problem
{
    None,
    Empty,
    TooShort,      // fewer than 4 characters
    TooLong,       // more than 48 characters
    NotPrintable,  // a blank, a control character or a character beyond plain ASCII
    BadCheckDigit, // 8, 12 or 13 digits whose last digit is not their check digit
};

struct Checked
{
    Problem problem = Problem::Empty;
    Kind kind = Kind::Other;
    QString code; // the form stored and compared: a UPC-A as its EAN-13 ("0" + the 12 digits)

    bool ok() const { return problem == Problem::None; }
};

constexpr int kMinLength = 4;
constexpr int kMaxLength = 48;

// Reads a barcode as registered: a retail code by its check digit (a UPC-A or UPC-E and the
// EAN-13 they stand for are one code), any other code of 4 to 48 printable characters as typed.
Checked check(const QString& text);
// The stored forms a scanned text may stand for, in the order they are looked up (an 8-digit
// code can be both an EAN-8 and a UPC-E); empty when it is no barcode.
QStringList lookupForms(const QString& text);
// The sentence that says why a text is no barcode (empty for Problem::None).
QString problemText(Problem problem);

// The check digit of a retail code's leading digits (EAN/UPC: weights 3 and 1 from the right).
int checkDigit(const QString& digits);
// The UPC-A (12 digits) a UPC-E (8 digits: number system 0 or 1, six digits, check digit)
// stands for; empty when it is no such code.
QString expandUpcE(const QString& upcE);

} // namespace Barcode
