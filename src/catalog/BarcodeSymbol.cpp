#include "catalog/BarcodeSymbol.h"

#include "catalog/Barcode.h"

#include <zint.h>

#include <memory>

namespace {

BarcodeSymbol encode(int symbology, const QByteArray& data, float height = 0)
{
    BarcodeSymbol result;
    const std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(ZBarcode_Create(), &ZBarcode_Delete);
    if (!symbol) {
        result.error = QStringLiteral("The barcode library could not start.");
        return result;
    }
    symbol->symbology = symbology;
    symbol->output_options |= BARCODE_QUIET_ZONES;
    symbol->show_hrt = 1;
    if (height > 0)
        symbol->height = height;
    const int status = ZBarcode_Encode_and_Buffer_Vector(
        symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()), static_cast<int>(data.size()), 0);
    if (status >= ZINT_ERROR) {
        result.error = QString::fromLatin1(symbol->errtxt);
        return result;
    }
    const zint_vector* vector = symbol->vector;
    result.size = QSizeF(vector->width, vector->height);
    for (const zint_vector_rect* r = vector->rectangles; r; r = r->next) {
        if (r->colour == -1 || r->colour == 7) // the foreground (black)
            result.bars.push_back(QRectF(r->x, r->y, r->width, r->height));
    }
    for (const zint_vector_string* s = vector->strings; s; s = s->next) {
        BarcodeSymbol::Text text;
        text.at = QPointF(s->x, s->y);
        text.size = s->fsize;
        text.align = s->halign == 1 ? Qt::AlignLeft : s->halign == 2 ? Qt::AlignRight : Qt::AlignHCenter;
        text.text = QString::fromUtf8(reinterpret_cast<const char*>(s->text), s->length);
        result.texts.push_back(text);
    }
    return result;
}

} // namespace

BarcodeSymbol encodeBarcode(const QString& code)
{
    const Barcode::Checked checked = Barcode::check(code);
    if (!checked.ok()) {
        BarcodeSymbol refused;
        refused.error = Barcode::problemText(checked.problem);
        return refused;
    }
    // The retail codes are given with their check digit, which zint checks again.
    return encode(checked.kind == Barcode::Kind::Other ? BARCODE_CODE128 : BARCODE_EANX_CHK, checked.code.toLatin1());
}

BarcodeSymbol encodeCode128(const QString& text)
{
    // Low bars: the symbol is read across, and a short one keeps its modules wide on a receipt.
    return encode(BARCODE_CODE128, text.toLatin1(), 15);
}
