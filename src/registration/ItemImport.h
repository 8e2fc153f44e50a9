#pragma once

#include "registration/RegistrationData.h"

#include <QByteArray>
#include <QString>
#include <QVector>

class Database;

// Items read from a spreadsheet's CSV file: a header row naming the columns (name, price,
// description, brand, stocks, availability, item number, barcode; letter case ignored, any order;
// the headings the program's own list export writes name them too), then one item a row. Every
// row passes the checks registration makes before it may be stored. A row whose item number, or
// else whose barcode, names a registered item updates that item; every other row registers a new
// item. A barcode cell may hold several barcodes, separated by blanks.
namespace ItemImport {

// A row of the file and what becomes of it.
struct Note
{
    int line = 0;
    QString name;
    QString text; // why a row is refused, or what to know about a row that is registered
};

// A registered item a row updates: its values as they will be stored (a column the file lacks
// keeps the item's own value) and the barcodes it gains.
struct Update
{
    int line = 0;
    QString number;
    RegistrationData::NewItem values;
    QStringList barcodes;
};

struct Plan
{
    QString error;                            // why the whole file is refused (unreadable, no header, unknown column)
    QVector<RegistrationData::NewItem> items; // the rows to register, in file order
    QVector<int> itemLines;                   // the line of each of them
    QVector<QStringList> itemBarcodes;        // the barcodes of each of them (stored forms)
    QVector<Update> updates;                  // the rows that update registered items, in file order
    QVector<Note> refused;                    // rows that are not registered
    QVector<Note> notes;                      // rows registered under a name already in use
    bool canceled = false;                    // the reading was stopped: nothing is planned
};

// The first rows of a plan as they will be stored and charged.
struct Shown
{
    int line = 0;
    QString name;
    double price = 0; // the price the till charges
    QString stocks;
};
QVector<Shown> firstItems(const Plan& plan, int count);

// Lets go of a plan's rows a step at a time, each step reported to `progress`: a few hundred
// thousand rows take a while to free.
void release(Plan& plan, const RegistrationData::Progress& progress);

// The columns a file may have; name and price must be there.
QStringList columnNames();

// Reads the file's bytes and checks every row. A column the file lacks is empty (stocks 0);
// availability always follows the stock, as in registration. A name already registered, or
// given on an earlier line, is registered again (registration allows it) and noted. Prices are
// read with the system's number format (ReadTypedPrice) and planned in the program's own form.
// The work is done in steps, each reported to `progress`, which may stop it (`canceled`).
Plan plan(Database& db, const QByteArray& bytes, const RegistrationData::Progress& progress = {});

// Within the caller's transaction, after the new items were registered under `numbers` (in the
// plan's order): gives them their barcodes, and stores the updates with theirs. Each barcode is
// checked again against what is stored now. False (and `error`) when anything failed or was
// refused; the caller's transaction then stores nothing.
bool storeUpdatesAndBarcodes(Database& db, const Plan& plan, const QStringList& numbers, QString* error,
                             const RegistrationData::Progress& progress = {});

// Applies an accepted plan: the new items, the updates, their barcodes, the counter and the
// journal entry that says so (by `who` on `domain`, naming `fileName`) stand or fall together,
// in one transaction. The numbers issued are given in `numbers`. False (and `error`) when
// anything failed or `progress` stopped it; then nothing is stored.
bool apply(Database& db, const Plan& plan, const QString& fileName, const QString& who, const QString& domain,
           QStringList* numbers, QString* error, const RegistrationData::Progress& progress = {});

} // namespace ItemImport
