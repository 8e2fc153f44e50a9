#pragma once

#include <QString>

#include <optional>

struct AppContext;
struct TillResult;
class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

// What the till's windows share: their buttons and amount boxes, the paper choice, and the
// reading of an amount box with a message naming the box.
namespace TillWidgets {

QPushButton* button(QWidget* parent, const char* name, const QString& caption);
QLineEdit* amountBox(QWidget* parent, const char* name);
// "80 mm roll" (data true) or "A4" (data false).
QComboBox* paperBox(QWidget* parent, bool roll);
// The amount in a box, or a message naming the box (and the box selected for a new try).
std::optional<qint64> amountIn(AppContext& ctx, QWidget* parent, QLineEdit* box, const QString& name);
// The message of a write that failed, with the engine's reason in its details.
void failed(AppContext& ctx, QWidget* parent, const QString& what, const TillResult& r);

} // namespace TillWidgets
