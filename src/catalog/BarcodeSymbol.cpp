#include "catalog/BarcodeSymbol.h"

#include "catalog/Barcode.h"

#include <zint.h>

#include <memory>

BarcodeSymbol encodeBarcode(const QString& code)
{
    BarcodeSymbol result;
    const Barcode::Checked checked = Barcode::check(code);
    if (!checked.ok()) {
        result.error = Barcode::problemText(checked.problem);
        return result;
    }
    const std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(ZBarcode_Create(), &ZBarcode_Delete);
    if (!symbol) {
        result.error = QStringLiteral("The barcode library could not start.");
        return result;
    }
    // The retail codes are given with their check digit, which zint checks again.
    symbol->symbology = checked.kind == Barcode::Kind::Other ? BARCODE_CODE128 : BARCODE_EANX_CHK;
    symbol->output_options |= BARCODE_QUIET_ZONES;
    symbol->show_hrt = 1;
    const QByteArray data = checked.code.toLatin1();
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
