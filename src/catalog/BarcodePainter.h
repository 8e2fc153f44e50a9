#pragma once

#include <QRectF>

struct BarcodeSymbol;
class QPainter;

// Draws a symbol as large as fits `box` at one scale (every module keeps its width), centred
// across it and from its top, with its human-readable text as zint places it. False when the
// symbol holds nothing to draw.
bool paintBarcode(QPainter& painter, const BarcodeSymbol& symbol, const QRectF& box);
