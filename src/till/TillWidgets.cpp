#include "till/TillWidgets.h"

#include "platform/Platform.h"
#include "session/AppContext.h"
#include "till/TillAmount.h"
#include "till/TillSessions.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace TillWidgets {

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumSize(120, 36);
    b->setAutoDefault(false);
    return b;
}

QLineEdit* amountBox(QWidget* parent, const char* name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAlignment(Qt::AlignRight);
    QFont f = box->font();
    f.setPointSize(f.pointSize() + 6);
    box->setFont(f);
    return box;
}

QComboBox* paperBox(QWidget* parent, bool roll)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("cboPaper"));
    box->addItem(QStringLiteral("80 mm roll"), true);
    box->addItem(QStringLiteral("A4"), false);
    box->setCurrentIndex(roll ? 0 : 1);
    return box;
}

// The amount in a box, or a message naming the box (and the box selected for a new try).
std::optional<qint64> amountIn(AppContext& ctx, QWidget* parent, QLineEdit* box, const QString& name)
{
    const AmountReading r = readAmount(box->text());
    if (r.cents)
        return r.cents;
    ctx.platform.message(parent, QStringLiteral("The %1 box holds no amount: %2.").arg(name, r.why),
                         Platform::applicationTitle(), QMessageBox::Ok, QMessageBox::Warning);
    box->setFocus();
    box->selectAll();
    return std::nullopt;
}

void failed(AppContext& ctx, QWidget* parent, const QString& what, const TillResult& r)
{
    ctx.platform.writeFailed(parent, what, r.error);
}

} // namespace TillWidgets
