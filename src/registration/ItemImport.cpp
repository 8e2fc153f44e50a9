#include "registration/ItemImport.h"

#include "catalog/Barcode.h"
#include "catalog/BarcodeStore.h"
#include "data/Database.h"
#include "data/TextForms.h"
#include "journal/Journal.h"
#include "platform/Csv.h"

#include <QHash>

#include <algorithm>

namespace ItemImport {

namespace {

enum Column { Name, Price, Description, Brand, Stocks, Availability, Number, Barcodes, ColumnCount };

using RegistrationData::kDescriptionLimit;
using RegistrationData::kTextLimit;

QString quotedValue(const QString& text)
{
    constexpr int kShown = 40;
    return QStringLiteral(" (\"%1\")").arg(text.size() > kShown ? text.left(kShown) + QChar(0x2026) : text);
}

// Why a row is refused, in the words of registration's status line; empty when it passes.
// `present` says which columns the file has: a column it lacks is not asked for.
QString refusal(const QStringList& cells, const bool (&present)[ColumnCount])
{
    const QString& name = cells[Name];
    if (name.isEmpty())
        return QStringLiteral("Enter Item name");
    if (name.size() > kTextLimit)
        return QStringLiteral("The Item Name is longer than %1 characters").arg(kTextLimit);
    if (const TypedReading price = ReadTypedPrice(cells[Price]); !price.value)
        return QStringLiteral("Set Item price") + quotedValue(cells[Price]) + QStringLiteral(": ") + price.why;
    if (present[Description] && cells[Description].isEmpty())
        return QStringLiteral("Enter item description!");
    if (cells[Description].size() > kDescriptionLimit)
        return QStringLiteral("The Description is longer than %1 characters").arg(kDescriptionLimit);
    if (present[Brand] && cells[Brand].isEmpty())
        return QStringLiteral("Enter brand!");
    if (cells[Brand].size() > kTextLimit)
        return QStringLiteral("The Brand is longer than %1 characters").arg(kTextLimit);
    if (present[Stocks] && !RegistrationData::stocksNumber(cells[Stocks]))
        return QStringLiteral("Enter Available Stocks") + quotedValue(cells[Stocks]);
    if (cells[Price].size() > kTextLimit || cells[Stocks].size() > kTextLimit)
        return QStringLiteral("A value is longer than %1 characters").arg(kTextLimit);
    return {};
}

} // namespace

QStringList columnNames()
{
    return {QStringLiteral("name"),        QStringLiteral("price"),  QStringLiteral("description"),
            QStringLiteral("brand"),       QStringLiteral("stocks"), QStringLiteral("availability"),
            QStringLiteral("item number"), QStringLiteral("barcode")};
}

namespace {

// The column a heading names: one of columnNames(), or a heading of the program's own export of
// the item list (ItemNumber, ItemName, ..., Barcodes); -1 for none.
int columnOf(const QString& heading)
{
    static const QHash<QString, int> aliases{{QStringLiteral("itemname"), Name},
                                             {QStringLiteral("itemprice"), Price},
                                             {QStringLiteral("itemdescription"), Description},
                                             {QStringLiteral("itembrand"), Brand},
                                             {QStringLiteral("itemstocks"), Stocks},
                                             {QStringLiteral("itemavailability"), Availability},
                                             {QStringLiteral("itemnumber"), Number},
                                             {QStringLiteral("barcodes"), Barcodes}};
    const QString key = heading.toLower();
    const qsizetype known = columnNames().indexOf(key);
    return known >= 0 ? static_cast<int>(known) : aliases.value(key, -1);
}

// A registered item as stored, by its number; rowId -1 when there is none.
struct StoredItem
{
    qint64 rowId = -1;
    RegistrationData::NewItem values;
};

StoredItem storedItem(Database& db, const QString& number)
{
    StoredItem item;
    const Recordset r = db.query(QStringLiteral("SELECT rowid, ItemName, ItemPrice, ItemDescription, ItemBrand, "
                                                "ItemStocks, ItemAvailability FROM tblStocks WHERE ItemNumber = ? "
                                                "ORDER BY rowid LIMIT 1"),
                                 {number});
    if (r.BOF())
        return item;
    const auto& row = r.rows().first();
    item.rowId = row.at(0).toLongLong();
    item.values = {row.at(1).toString(), row.at(2).toString(), row.at(3).toString(),
                   row.at(4).toString(), row.at(5).toString(), row.at(6).toString()};
    return item;
}

} // namespace

QVector<Shown> firstItems(const Plan& plan, int count)
{
    QVector<Shown> shown;
    for (qsizetype i = 0; i < std::min<qsizetype>(count, plan.items.size()); ++i) {
        const RegistrationData::NewItem& item = plan.items.at(i);
        shown << Shown{plan.itemLines.at(i), item.name, PriceFromText(item.price).value_or(0), item.stocks};
    }
    return shown;
}

void release(Plan& plan, const RegistrationData::Progress& progress)
{
    constexpr qsizetype kStep = 8192;
    const qint64 total =
        plan.items.size() + plan.itemBarcodes.size() + plan.updates.size() + plan.refused.size() + plan.notes.size();
    qint64 done = 0;
    auto shrink = [&](auto& list) {
        while (!list.isEmpty()) {
            const qsizetype step = std::min(kStep, list.size());
            list.resize(list.size() - step);
            done += step;
            if (progress)
                progress(done, total);
        }
    };
    shrink(plan.items);
    shrink(plan.itemBarcodes);
    shrink(plan.updates);
    shrink(plan.refused);
    shrink(plan.notes);
    plan = Plan{};
}

Plan plan(Database& db, const QByteArray& bytes, const RegistrationData::Progress& progress)
{
    // The work counts in thousandths: the file's reading 600, the rows' checks 200, the look-up
    // of the names 200.
    constexpr qint64 kRead = 600, kCheck = 200, kTotal = 1000;
    Plan result;
    auto stopped = [&result] {
        result = Plan{};
        result.canceled = true;
        result.error = QStringLiteral("The import was canceled.");
        return result;
    };
    Csv::Table table = Csv::parse(bytes, [&](qint64 done, qint64 total) {
        return !progress || progress(total > 0 ? done * kRead / total : 0, kTotal);
    });
    if (table.canceled)
        return stopped();
    if (!table.ok()) {
        result.error = table.error;
        return result;
    }
    if (table.records.isEmpty()) {
        result.error = QStringLiteral("The file is empty.");
        return result;
    }

    // The header: where each known column stands in a row (-1 when the file lacks it).
    const QStringList known = columnNames();
    int position[ColumnCount];
    std::fill(std::begin(position), std::end(position), -1);
    const Csv::Record& header = table.records.first();
    QStringList unknown;
    for (int i = 0; i < header.fields.size(); ++i) {
        const QString heading = header.fields.at(i).trimmed();
        if (heading.isEmpty())
            continue; // an unnamed column (a spreadsheet's trailing empty cells) is not read
        const int c = columnOf(heading);
        if (c < 0) {
            unknown << heading;
        } else if (position[c] >= 0) {
            result.error = QStringLiteral("The column \"%1\" is named twice in the header row.").arg(heading);
            return result;
        } else {
            position[c] = i;
        }
    }
    if (!unknown.isEmpty()) {
        result.error = QStringLiteral("The header row names columns that items do not have: %1.\n\nThe columns "
                                      "may be: %2.")
                           .arg(unknown.join(QStringLiteral(", ")), known.join(QStringLiteral(", ")));
        return result;
    }
    if (position[Name] < 0 || position[Price] < 0) {
        result.error = QStringLiteral("The header row must name at least the columns name and price; it names: "
                                      "%1.")
                           .arg(header.fields.join(QStringLiteral(", ")));
        return result;
    }
    bool present[ColumnCount];
    for (int c = 0; c < ColumnCount; ++c)
        present[c] = position[c] >= 0;

    // Room for every row at once: growing a list of a few hundred thousand items moves them all.
    result.items.reserve(table.records.size());
    result.itemLines.reserve(table.records.size());
    QHash<QString, int> linesByName; // names given on earlier lines, to their first line
    linesByName.reserve(table.records.size());
    QHash<QString, int> barcodeLines; // barcodes given on earlier lines, to their line
    QHash<QString, int> updateLines;  // items updated by earlier lines, to their line
    BarcodeStore barcodes(db);
    const qsizetype rows = table.records.size();
    for (qsizetype r = 1; r < rows; ++r) {
        if (progress && r % 1024 == 0 && !progress(kRead + kCheck * r / rows, kTotal))
            return stopped();
        const Csv::Record& record = table.records.at(r);
        QStringList cells;
        // A cell the program's own export marked so that a spreadsheet opens it as text reads as
        // that text again.
        for (int c = 0; c < ColumnCount; ++c)
            cells << (position[c] >= 0 ? Csv::textOfSpreadsheetCell(record.fields.value(position[c])) : QString());
        // A value under no heading would be lost: the row is refused rather than cut short.
        qsizetype stray = -1;
        for (qsizetype i = 0; i < record.fields.size() && stray < 0; ++i) {
            if (!record.fields.at(i).isEmpty() && header.fields.value(i).trimmed().isEmpty())
                stray = i;
        }
        if (stray >= 0) {
            result.refused << Note{
                record.line, cells[Name],
                QStringLiteral("Cell %1 holds a value, but the header row names no column there").arg(stray + 1)};
            continue;
        }
        if (const QString why = refusal(cells, present); !why.isEmpty()) {
            result.refused << Note{record.line, cells[Name], why};
            continue;
        }
        const QString stocks = present[Stocks] ? cells[Stocks] : QStringLiteral("0");
        const double stockCount = RegistrationData::stocksNumber(stocks).value_or(0);
        const double price = ReadTypedPrice(cells[Price]).value.value_or(0);
        const RegistrationData::NewItem values{
            cells[Name], StoredNumberText(cells[Price], price),        cells[Description], cells[Brand],
            stocks,      RegistrationData::availabilityFor(stockCount)};

        // The item the row names by its number, or else by a barcode, is updated.
        QStringList codes;
        QString why;
        for (const QString& text : cells[Barcodes].split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const Barcode::Checked code = Barcode::check(text);
            if (!code.ok()) {
                why = QStringLiteral("Barcode \"%1\": %2").arg(text, Barcode::problemText(code.problem));
                break;
            }
            if (const auto earlier = barcodeLines.constFind(code.code); earlier != barcodeLines.cend()) {
                why = QStringLiteral("Barcode %1 is on line %2 as well").arg(code.code).arg(*earlier);
                break;
            }
            if (!codes.contains(code.code))
                codes << code.code;
        }
        QString target;    // the registered item the row updates
        StoredItem stored; // that item as stored
        if (why.isEmpty() && (!cells[Number].isEmpty() || !codes.isEmpty())) {
            if (!cells[Number].isEmpty())
                stored = storedItem(db, cells[Number]);
            if (stored.rowId >= 0)
                target = cells[Number];
            QString byBarcode; // the item the row's barcodes name, when it names none by number
            for (const QString& code : std::as_const(codes)) {
                const QString owner = barcodes.itemNumberFor(code);
                if (owner.isEmpty() || owner.compare(target, Qt::CaseInsensitive) == 0)
                    continue;
                if (!target.isEmpty())
                    why = QStringLiteral("Barcode %1 is on item %2, not on item %3").arg(code, owner, target);
                else if (!cells[Number].isEmpty())
                    why = QStringLiteral("Item Number %1 is not registered, but barcode %2 is on item %3")
                              .arg(cells[Number], code, owner);
                else if (byBarcode.isEmpty())
                    byBarcode = owner;
                else if (byBarcode != owner)
                    why = QStringLiteral("Its barcodes are on two items, %1 and %2").arg(byBarcode, owner);
                if (!why.isEmpty())
                    break;
            }
            if (why.isEmpty() && target.isEmpty() && !byBarcode.isEmpty()) {
                target = byBarcode;
                stored = storedItem(db, target);
            }
            if (why.isEmpty() && !target.isEmpty()) {
                if (const auto earlier = updateLines.constFind(target.toLower()); earlier != updateLines.cend())
                    why = QStringLiteral("Line %1 updates item %2 as well").arg(*earlier).arg(target);
            }
        }
        if (!why.isEmpty()) {
            result.refused << Note{record.line, cells[Name], why};
            continue;
        }
        for (const QString& code : std::as_const(codes))
            barcodeLines.insert(code, record.line);
        if (!target.isEmpty()) {
            // A column the file lacks keeps the item's own value.
            const RegistrationData::NewItem& kept = stored.values;
            RegistrationData::NewItem updated = values;
            if (!present[Description])
                updated.description = kept.description;
            if (!present[Brand])
                updated.brand = kept.brand;
            if (!present[Stocks]) {
                updated.stocks = kept.stocks;
                updated.availability = kept.availability;
            }
            updateLines.insert(target.toLower(), record.line);
            result.updates << Update{record.line, target, updated, codes};
            continue;
        }
        if (!cells[Number].isEmpty())
            result.notes << Note{record.line, cells[Name],
                                 QStringLiteral("Item Number %1 is not registered; the item is registered under a "
                                                "new number")
                                     .arg(cells[Number])};
        result.items << values;
        result.itemBarcodes << codes;
        result.itemLines << record.line;

        const QString key = cells[Name].toLower();
        if (const auto earlier = linesByName.constFind(key); earlier != linesByName.cend())
            result.notes << Note{record.line, cells[Name],
                                 QStringLiteral("Registered as well; line %1 has the same name").arg(*earlier)};
        else
            linesByName.insert(key, record.line);
    }

    // The file's records are let go of in steps too: a few hundred thousand of them take a
    // while to free.
    constexpr qsizetype kFreed = 8192;
    while (!table.records.isEmpty()) {
        table.records.resize(std::max<qsizetype>(0, table.records.size() - kFreed));
        if (progress && !progress(kRead + kCheck, kTotal))
            return stopped();
    }

    // Names that stored items bear already, looked up together.
    QStringList names;
    for (const RegistrationData::NewItem& item : std::as_const(result.items))
        names << item.name;
    bool lookedUp = true;
    const QHash<QString, QString> stored =
        RegistrationData::itemNumbersNamed(db, names, [&](qint64 done, qint64 total) {
            lookedUp = !progress ||
                       progress(kRead + kCheck + (total > 0 ? done * (kTotal - kRead - kCheck) / total : 0), kTotal);
            return lookedUp;
        });
    if (!lookedUp)
        return stopped();
    QVector<Note> storedNotes;
    for (qsizetype i = 0; i < result.items.size() && !stored.isEmpty(); ++i) {
        if (progress && i % 4096 == 0 && !progress(kTotal, kTotal))
            return stopped();
        const QString& name = result.items.at(i).name;
        const QString key = name.toLower();
        const auto number = stored.constFind(key);
        if (number == stored.cend() || linesByName.value(key) != result.itemLines.at(i))
            continue; // not stored, or a later line of a name: noted against its first line
        storedNotes << Note{result.itemLines.at(i), name,
                            QStringLiteral("Registered as well; Item Number %1 has the same name").arg(*number)};
    }
    result.notes += storedNotes;
    std::sort(result.notes.begin(), result.notes.end(), [](const Note& a, const Note& b) { return a.line < b.line; });
    return result;
}

bool storeUpdatesAndBarcodes(Database& db, const Plan& plan, const QStringList& numbers, QString* error,
                             const RegistrationData::Progress& progress)
{
    BarcodeStore barcodes(db);
    const auto addBarcodes = [&](const QStringList& codes, const QString& number) {
        for (const QString& code : codes) {
            if (!barcodes.add(barcodes.check(code, number), number)) {
                *error = QStringLiteral("Item %1: %2").arg(number, barcodes.lastError());
                return false;
            }
        }
        return true;
    };
    for (qsizetype i = 0; i < plan.itemBarcodes.size() && i < numbers.size(); ++i) {
        if (!addBarcodes(plan.itemBarcodes.at(i), numbers.at(i)))
            return false;
    }
    const QString update = QStringLiteral("UPDATE tblStocks SET ItemName = ?, ItemPrice = ?, ItemDescription = ?, "
                                          "ItemBrand = ?, ItemStocks = ?, ItemAvailability = ? WHERE ItemNumber = ?");
    for (qsizetype i = 0; i < plan.updates.size(); ++i) {
        if (progress && i % 256 == 0 && !progress(i, plan.updates.size())) {
            *error = QStringLiteral("The import was canceled.");
            return false;
        }
        const Update& row = plan.updates.at(i);
        const RegistrationData::NewItem& v = row.values;
        if (db.ExecuteSql(update, {v.name, v.price, v.description, v.brand, v.stocks, v.availability, row.number}) <
            1) {
            *error = QStringLiteral("Item %1 was not updated: %2").arg(row.number, db.lastError());
            return false;
        }
        if (!addBarcodes(row.barcodes, row.number))
            return false;
    }
    return true;
}

bool apply(Database& db, const Plan& plan, const QString& fileName, const QString& who, const QString& domain,
           QStringList* numbers, QString* error, const RegistrationData::Progress& progress)
{
    Transaction tx(db);
    if (!tx.isActive()) {
        *error = db.lastError();
        return false;
    }
    if (!RegistrationData::registerItems(db, plan.items, numbers, error, progress) ||
        !storeUpdatesAndBarcodes(db, plan, *numbers, error, progress))
        return false;
    DetailLines details{{QStringLiteral("File: "), fileName},
                        {QStringLiteral("Items Registered: "), QString::number(numbers->size())}};
    if (!numbers->isEmpty())
        details.push_back(
            {QStringLiteral("Item Numbers: "), numbers->first() + QStringLiteral(" to ") + numbers->last()});
    if (!plan.updates.isEmpty())
        details.push_back({QStringLiteral("Items Updated: "), QString::number(plan.updates.size())});
    details.push_back({QStringLiteral("Rows Refused: "), QString::number(plan.refused.size())});
    const QString message =
        NotificationSentence(who, QStringLiteral(" imported new items from a file using "), domain) +
        DetailsBlock(details);
    if (!PostNotification(db, NoteTitle::ItemsImported, message, error))
        return false;
    if (!tx.commit()) {
        *error = db.lastError();
        return false;
    }
    return true;
}

} // namespace ItemImport
