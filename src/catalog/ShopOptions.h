#pragma once

#include <QString>

#include <optional>

class Database;

// The shop's settings beyond its settings row: one named value each (tblSetting), shared by
// every till. A setting never stored has its default.
namespace ShopOptions {

// "Scanning an item already in the cart adds one": off unless it was turned on.
inline const QString ScanAddsOne = QStringLiteral("ScanAddsOne");
// "Blind count": the Z hides the expected cash until the counted cash is typed; off unless
// turned on.
inline const QString BlindCount = QStringLiteral("BlindCount");

// The setting's value; `fallback` when it was never stored, none when it could not be read.
std::optional<bool> flag(Database& db, const QString& name, bool fallback = false);
// Stores the setting in one write. False when the write failed.
bool setFlag(Database& db, const QString& name, bool on);

} // namespace ShopOptions
