#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <QVector>

#include <functional>
#include <optional>

class Database;

// The database work of the registration window: the numbers the counters of tblMain issue and
// the rules every stored item and employee row must keep, whether it was registered or edited
// in a list. Every value is bound, never pasted into a statement.
namespace RegistrationData {

// The longest text an item's or employee's box takes, and the longest item description.
constexpr int kTextLimit = 200;
constexpr int kDescriptionLimit = 100;

// How far long work is: `done` of `total`. Returning false stops it; it then leaves nothing done.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// A counter of tblMain and the rows it numbers.
enum class Counter {
    Employee, // ClientID numbers tblEmp.EmployeeID
    Item,     // ItemID numbers tblStocks.ItemNumber
};

// The number the counter issues next: one past the counter of the last tblMain row (a counter
// that is empty or no number counts as 0), passing over numbers already in use. Registration
// calls it inside the transaction that stores the row, so two copies never issue one number
// twice. No value when tblMain cannot be read or holds no row; `error` then says why.
std::optional<QString> nextNumber(Database& db, Counter counter, QString* error = nullptr);

// Stores `number` in the counter of every tblMain row. False when the write failed.
bool storeCounter(Database& db, Counter counter, const QString& number);

// The statement of the employees' list in the registration window.
QString employeesStatement();

// A stocks text that reads wholly as a plain number (blanks around it allowed), or none.
std::optional<double> stocksNumber(const QString& text);

// The writes that go with an accepted edit of an item in the list: a new item number takes the
// item's barcodes along. False when they failed.
bool itemEditFollow(Database& db, qint64 rowId, const QString& column, const QVariant& value);

// Why an in-place edit of one column of a tblStocks (or tblEmp) row, found by its rowid, is
// refused, in the shop's words; an empty text when it may be written.
QString itemEditRefusal(Database& db, qint64 rowId, const QString& column, const QVariant& value);
// The value an in-place edit of a tblStocks column stores: a price typed with the system's
// number format is stored in the program's own form; any other value as it is.
QVariant itemEditForm(const QString& column, const QVariant& value);
QString employeeEditRefusal(Database& db, qint64 rowId, const QString& column, const QVariant& value);

// The seven texts of a new tblStocks row, stored as they are (the number is issued on storing),
// and the tax rate the item is given (none when below 0).
struct NewItem
{
    QString name, price, description, brand, stocks, availability;
    qint64 taxRate = -1;
};

// The six texts of a new tblEmp row, stored as they are (the number is issued on storing).
struct NewEmployee
{
    QString name, gender, position, registered, password;
};

// What storing a new row gave: the number it was stored under, or no number and why nothing
// was stored, in the engine's words.
struct Stored
{
    std::optional<QString> number;
    QString error;
};

// Registers one employee: the number is issued inside the transaction that stores the row and
// the counter, so two copies registering at once never store one number twice.
Stored storeEmployee(Database& db, const NewEmployee& employee);
// Registers one item the same way, with its barcode (none when empty), which is checked again
// against the number issued, under the same lock, and its tax rate.
Stored storeItem(Database& db, const NewItem& item, const QString& barcode);

// The availability registration gives an item: "Available" while its stock is above 0,
// otherwise "Out of Stock", whatever was chosen.
QString availabilityFor(double stocks);

// Registers many items at once (an import): inside one transaction the counter is read, the
// items are stored under consecutive numbers from it (passing over numbers already in use) and
// the counter is advanced to the last one. All or nothing: false (and `error`) when anything
// failed, and then nothing is stored. The numbers issued are given in `numbers`, in order.
// Nests in a transaction of the caller, which may add its own rows (a journal entry). The rows
// are written in steps, each reported to `progress`; when it stops the work, nothing is stored
// and `error` says it was canceled.
bool registerItems(Database& db, const QVector<NewItem>& items, QStringList* numbers, QString* error,
                   const Progress& progress = {});

// The item numbers of the stored items that bear any of `names` (letter case ignored), by
// their names in lower case (one number a name). Empty when the items cannot be read or
// `progress` stopped the look-up.
QHash<QString, QString> itemNumbersNamed(Database& db, const QStringList& names, const Progress& progress = {});

} // namespace RegistrationData
