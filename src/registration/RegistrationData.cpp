#include "registration/RegistrationData.h"

#include "catalog/BarcodeStore.h"

#include "data/Database.h"
#include "data/TextForms.h"
#include "pricing/PricingStore.h"

#include <QSet>

#include <algorithm>

namespace RegistrationData {

namespace {

struct CounterColumns
{
    QString counter; // in tblMain
    QString table;
    QString column;
};

CounterColumns columnsOf(Counter counter)
{
    return counter == Counter::Item
               ? CounterColumns{QStringLiteral("ItemID"), QStringLiteral("tblStocks"), QStringLiteral("ItemNumber")}
               : CounterColumns{QStringLiteral("ClientID"), QStringLiteral("tblEmp"), QStringLiteral("EmployeeID")};
}

// True when another row than `rowId` of the table already holds `number` in the column
// (-1 compares against every row).
bool numberInUse(Database& db, const CounterColumns& c, const QString& number, qint64 rowId = -1)
{
    return !db.query(QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ? AND rowid <> ? LIMIT 1").arg(c.table, c.column),
                     {number, rowId})
                .BOF();
}

// What was not saved first, then why.
QString notSaved(const QString& reason)
{
    return QStringLiteral("The change was not saved.\n\n") + reason;
}

QString emptyRefusal(const QString& label)
{
    return notSaved(QStringLiteral("%1 cannot be left empty.").arg(label));
}

} // namespace

std::optional<QString> nextNumber(Database& db, Counter counter, QString* error)
{
    const CounterColumns c = columnsOf(counter);
    const Recordset rs = db.query(QStringLiteral("SELECT %1 FROM tblMain ORDER BY rowid DESC LIMIT 1").arg(c.counter));
    if (rs.BOF()) {
        if (error)
            *error = rs.State() == 0 ? db.lastError()
                                     : QStringLiteral("The settings row is missing from tblMain, so no number can be "
                                                      "issued.");
        return std::nullopt;
    }
    double next = NumberFromText(rs.text(c.counter)) + 1;
    QString number = PlainNumber(next);
    // A number given by hand in a list may lie ahead of the counter: it is never issued again.
    while (numberInUse(db, c, number)) {
        next += 1;
        number = PlainNumber(next);
    }
    return number;
}

bool storeCounter(Database& db, Counter counter, const QString& number)
{
    return db.ExecuteSql(QStringLiteral("UPDATE tblMain SET %1 = ?").arg(columnsOf(counter).counter), {number}) >= 0;
}

std::optional<double> stocksNumber(const QString& text)
{
    // Thousands separators are refused: the stored text is read back as a plain number
    // everywhere stock is counted, and "1,500" would then count as 1.
    if (text.contains(QLatin1Char(',')))
        return std::nullopt;
    return ColumnNumber(text);
}

namespace {

QString numberOfItem(Database& db, qint64 rowId)
{
    const Recordset r = db.query(QStringLiteral("SELECT ItemNumber FROM tblStocks WHERE rowid = ?"), {rowId});
    return r.BOF() ? QString() : r.rows().first().first().toString();
}

} // namespace

QString itemEditRefusal(Database& db, qint64 rowId, const QString& column, const QVariant& value)
{
    const QString text = value.toString();
    static const QList<std::pair<QString, QString>> labels{
        {QStringLiteral("ItemNumber"), QStringLiteral("The Item Number")},
        {QStringLiteral("ItemName"), QStringLiteral("The Item Name")},
        {QStringLiteral("ItemPrice"), QStringLiteral("The Price")},
        {QStringLiteral("ItemDescription"), QStringLiteral("The Description")},
        {QStringLiteral("ItemStocks"), QStringLiteral("The Stocks")},
        {QStringLiteral("ItemBrand"), QStringLiteral("The Brand")},
        {QStringLiteral("ItemAvailability"), QStringLiteral("The Availability")},
    };
    for (const auto& [name, label] : labels) {
        if (column.compare(name, Qt::CaseInsensitive) == 0 && text.isEmpty())
            return emptyRefusal(label);
    }
    if (column.compare(QLatin1String("ItemNumber"), Qt::CaseInsensitive) == 0) {
        if (numberInUse(db, columnsOf(Counter::Item), text, rowId))
            return notSaved(QStringLiteral("Item Number %1 is already used by another item.").arg(text));
        // The till looks a code up as a number first: a number that is another item's barcode
        // would take that barcode's scans.
        const QString owner = BarcodeStore(db).itemNumberFor(text);
        if (!owner.isEmpty() && owner.compare(numberOfItem(db, rowId), Qt::CaseInsensitive) != 0)
            return notSaved(QStringLiteral("Item Number %1 is a barcode of item %2.").arg(text, owner));
    }
    if (column.compare(QLatin1String("ItemPrice"), Qt::CaseInsensitive) == 0) {
        const TypedReading price = ReadTypedPrice(text);
        if (!price.value)
            return notSaved(QStringLiteral("The Price must be a number of 0 or more and below 1,000,000,000, such "
                                           "as 12.50 or 1,500; %1.")
                                .arg(price.why));
    }
    if (column.compare(QLatin1String("ItemStocks"), Qt::CaseInsensitive) == 0 && !stocksNumber(text))
        return notSaved(QStringLiteral("The Stocks must be a number, such as 25."));
    return {};
}

bool itemEditFollow(Database& db, qint64 rowId, const QString& column, const QVariant& value)
{
    if (column.compare(QLatin1String("ItemNumber"), Qt::CaseInsensitive) != 0)
        return true;
    // The item's barcodes name it by its number: they go with it to the new one.
    const QString before = numberOfItem(db, rowId);
    return before.isEmpty() || before == value.toString() || BarcodeStore(db).renumber(before, value.toString());
}

QVariant itemEditForm(const QString& column, const QVariant& value)
{
    if (column.compare(QLatin1String("ItemPrice"), Qt::CaseInsensitive) != 0)
        return value;
    const QString typed = value.toString();
    const auto price = ReadTypedPrice(typed).value;
    return price ? QVariant(StoredNumberText(typed, *price)) : value;
}

QString employeeEditRefusal(Database& db, qint64 rowId, const QString& column, const QVariant& value)
{
    const QString text = value.toString();
    static const QList<std::pair<QString, QString>> labels{
        {QStringLiteral("EmployeeID"), QStringLiteral("The Employee ID")},
        {QStringLiteral("EmployeeName"), QStringLiteral("The Employee Name")},
        {QStringLiteral("Gender"), QStringLiteral("The Gender")},
        {QStringLiteral("Position"), QStringLiteral("The Position")},
        {QStringLiteral("Password"), QStringLiteral("The Password")},
    };
    for (const auto& [name, label] : labels) {
        if (column.compare(name, Qt::CaseInsensitive) == 0 && text.isEmpty())
            return emptyRefusal(label);
    }
    if (column.compare(QLatin1String("EmployeeID"), Qt::CaseInsensitive) == 0 &&
        numberInUse(db, columnsOf(Counter::Employee), text, rowId))
        return notSaved(QStringLiteral("Employee ID %1 is already used by another employee.").arg(text));
    return {};
}

QString availabilityFor(double stocks)
{
    return stocks > 0 ? QStringLiteral("Available") : QStringLiteral("Out of Stock");
}

namespace {

// Statements name at most this many values at a time, whatever the engine allows.
constexpr qsizetype kBatch = 500;

// The values of `column` of tblStocks that are among `values`, each with the `other` column.
QList<QVector<QVariant>> stockRowsWith(Database& db, const QString& column, const QString& other,
                                       const QStringList& values, bool* ok, const Progress& progress = {})
{
    QList<QVector<QVariant>> found;
    *ok = true;
    for (qsizetype from = 0; from < values.size(); from += kBatch) {
        if (progress && !progress(from, values.size())) {
            *ok = false;
            return {};
        }
        const QStringList batch = values.mid(from, kBatch);
        QVariantList params;
        for (const QString& v : batch)
            params << v;
        const QString marks = QStringLiteral("?, ").repeated(batch.size()).chopped(2);
        const Recordset rs =
            db.query(QStringLiteral("SELECT %1, %2 FROM tblStocks WHERE %1 IN (%3)").arg(column, other, marks), params);
        if (rs.State() == 0) {
            *ok = false;
            return {};
        }
        found += rs.rows();
    }
    return found;
}

} // namespace

bool registerItems(Database& db, const QVector<NewItem>& items, QStringList* numbers, QString* error,
                   const Progress& progress)
{
    // Finding free numbers counts as a tenth of the work, the rows' writing as the rest.
    const qint64 total = static_cast<qint64>(items.size()) * 10;
    auto stopped = [error] {
        *error = QStringLiteral("The import was canceled.");
        return false;
    };
    Transaction tx(db);
    if (!tx.isActive()) {
        *error = db.lastError();
        return false;
    }
    const auto first = nextNumber(db, Counter::Item, error);
    if (!first)
        return false;

    // Consecutive numbers from the counter; a number given by hand in the list is passed over,
    // as registration passes over it. The numbers are tried a batch at a time.
    QStringList issued;
    issued.reserve(items.size());
    double next = NumberFromText(*first);
    while (issued.size() < items.size()) {
        if (progress && !progress(issued.size(), total))
            return stopped();
        QStringList candidates;
        for (qsizetype i = 0; i < std::min(kBatch, items.size() - issued.size()); ++i)
            candidates << PlainNumber(next + static_cast<double>(i));
        next += static_cast<double>(candidates.size());
        bool ok = true;
        QSet<QString> used;
        for (const auto& row :
             stockRowsWith(db, QStringLiteral("ItemNumber"), QStringLiteral("rowid"), candidates, &ok))
            used.insert(row.first().toString().toLower());
        if (!ok) {
            *error = db.lastError();
            return false;
        }
        for (const QString& number : std::as_const(candidates)) {
            if (!used.contains(number.toLower()))
                issued << number;
        }
    }

    const QString insert = QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, "
                                          "ItemStocks, ItemBrand, ItemAvailability) VALUES (?, ?, ?, ?, ?, ?, ?)");
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (progress && i % 256 == 0 && !progress(items.size() + 9 * i, total))
            return stopped();
        const NewItem& item = items.at(i);
        if (db.ExecuteSql(insert, {issued.at(i), item.name, item.price, item.description, item.stocks, item.brand,
                                   item.availability}) != 1) {
            *error = db.lastError();
            return false;
        }
    }
    if (!issued.isEmpty() && !storeCounter(db, Counter::Item, issued.last())) {
        *error = db.lastError();
        return false;
    }
    if (!tx.commit()) {
        *error = db.lastError();
        return false;
    }
    *numbers = issued;
    return true;
}

QHash<QString, QString> itemNumbersNamed(Database& db, const QStringList& names, const Progress& progress)
{
    QHash<QString, QString> numbers;
    bool ok = true;
    for (const auto& row :
         stockRowsWith(db, QStringLiteral("ItemName"), QStringLiteral("ItemNumber"), names, &ok, progress))
        numbers.insert(row.at(0).toString().toLower(), row.at(1).toString());
    return numbers;
}

QString employeesStatement()
{
    return QStringLiteral("Select * from tblEmp");
}

Stored storeEmployee(Database& db, const NewEmployee& employee)
{
    Stored stored;
    Transaction tx(db);
    if (!tx.isActive()) {
        stored.error = db.lastError();
        return stored;
    }
    const auto number = nextNumber(db, Counter::Employee, &stored.error);
    if (!number)
        return stored;
    if (db.ExecuteSql(QStringLiteral("INSERT INTO tblEmp (EmployeeID, EmployeeName, Gender, Position, Registered, "
                                     "Password) VALUES (?, ?, ?, ?, ?, ?)"),
                      {*number, employee.name, employee.gender, employee.position, employee.registered,
                       employee.password}) != 1 ||
        !storeCounter(db, Counter::Employee, *number) || !tx.commit()) {
        stored.error = db.lastError();
        return stored;
    }
    stored.number = number;
    return stored;
}

Stored storeItem(Database& db, const NewItem& item, const QString& barcode)
{
    Stored stored;
    Transaction tx(db);
    if (!tx.isActive()) {
        stored.error = db.lastError();
        return stored;
    }
    const auto number = nextNumber(db, Counter::Item, &stored.error);
    if (!number)
        return stored;
    if (db.ExecuteSql(QStringLiteral("INSERT INTO tblStocks (ItemNumber, ItemName, ItemPrice, ItemDescription, "
                                     "ItemStocks, ItemBrand, ItemAvailability) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                      {*number, item.name, item.price, item.description, item.stocks, item.brand, item.availability}) !=
        1) {
        stored.error = db.lastError();
        return stored;
    }
    if (!barcode.isEmpty()) {
        BarcodeStore barcodes(db);
        const BarcodeStore::Check check = barcodes.check(barcode, *number);
        if (!barcodes.add(check, *number)) {
            stored.error = barcodes.lastError();
            return stored;
        }
    }
    if (item.taxRate >= 0) {
        const RateResult r = PricingStore(db).setItemRate(*number, item.taxRate);
        if (r.outcome != RateOutcome::Stored) {
            stored.error =
                r.outcome == RateOutcome::WriteFailed ? r.error : QStringLiteral("The tax rate is retired or gone.");
            return stored;
        }
    }
    if (!storeCounter(db, Counter::Item, *number) || !tx.commit()) {
        stored.error = db.lastError();
        return stored;
    }
    stored.number = number;
    return stored;
}

} // namespace RegistrationData
