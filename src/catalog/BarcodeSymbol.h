#pragma once

#include <QRectF>
#include <QString>
#include <QVector>

// A barcode drawn as a real symbol: its bars and the human-readable text under them, as the
// zint library encodes it, in the symbol's own units (one module is one unit wide).
struct BarcodeSymbol
{
    struct Text
    {
        QPointF at;  // the text's baseline, at its centre, left or right end (align)
        double size; // font size in units
        Qt::Alignment align = Qt::AlignHCenter;
        QString text;
    };
    QSizeF size; // the whole symbol with its text
    QVector<QRectF> bars;
    QVector<Text> texts;
    QString error; // why the code could not be encoded (then there are no bars)

    bool ok() const { return !bars.isEmpty(); }
};

// Encodes a barcode as the symbol a scanner reads back: an EAN-13 (also a UPC-A, stored as its
// EAN-13) or EAN-8 as that retail symbol, any other code as Code 128.
BarcodeSymbol encodeBarcode(const QString& code);
// Any text of printable ASCII as a Code 128 symbol (a sale's number on its receipt).
BarcodeSymbol encodeCode128(const QString& text);
