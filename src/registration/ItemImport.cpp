#include "registration/ItemImport.h"

#include "data/TextForms.h"
#include "platform/Csv.h"

#include <QHash>

#include <algorithm>

namespace ItemImport {

namespace {

enum Column { Name, Price, Description, Brand, Stocks, Availability, ColumnCount };

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
    return {QStringLiteral("name"),  QStringLiteral("price"),  QStringLiteral("description"),
            QStringLiteral("brand"), QStringLiteral("stocks"), QStringLiteral("availability")};
}

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
    const qint64 total = plan.items.size() + plan.refused.size() + plan.notes.size();
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
        const qsizetype c = known.indexOf(heading.toLower());
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
    const qsizetype rows = table.records.size();
    for (qsizetype r = 1; r < rows; ++r) {
        if (progress && r % 1024 == 0 && !progress(kRead + kCheck * r / rows, kTotal))
            return stopped();
        const Csv::Record& record = table.records.at(r);
        QStringList cells;
        for (int c = 0; c < ColumnCount; ++c)
            cells << (position[c] >= 0 ? record.fields.value(position[c]) : QString());
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
        result.items << RegistrationData::NewItem{
            cells[Name], StoredNumberText(cells[Price], price),        cells[Description], cells[Brand],
            stocks,      RegistrationData::availabilityFor(stockCount)};
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

} // namespace ItemImport
