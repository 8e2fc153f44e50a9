#include "admin/TaxSettings.h"

#include "data/Database.h"
#include "platform/Platform.h"
#include "pricing/PricingStore.h"
#include "session/AppContext.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Pricing;

namespace {

const QString kTitle = QStringLiteral("Discounts and Tax");

QPushButton* makeButton(const char* name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

TaxSettings::TaxSettings(AppContext& ctx, QWidget* parent)
    : QGroupBox(QStringLiteral(" Discounts and Tax"), parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("fraTax"));
    PricingStore store(m_ctx.db);

    m_txtDiscountLimit = new QLineEdit(this);
    m_txtDiscountLimit->setObjectName(QStringLiteral("txtDiscountLimit"));
    m_txtDiscountLimit->setText(percentText(store.discountLimit().value_or(0)));
    auto* cmdLimit = makeButton("cmdDiscountLimit", QStringLiteral("Set"), this);
    auto* limitRow = new QHBoxLayout;
    limitRow->addWidget(m_txtDiscountLimit, 1);
    limitRow->addWidget(new QLabel(QStringLiteral("%"), this));
    limitRow->addWidget(cmdLimit);

    m_chkPricesIncludeTax = new QCheckBox(QStringLiteral("Prices include tax"), this);
    m_chkPricesIncludeTax->setObjectName(QStringLiteral("chkPricesIncludeTax"));
    m_chkPricesIncludeTax->setChecked(store.pricesIncludeTax().value_or(true));

    m_lstTaxRates = new QTableWidget(0, 3, this);
    m_lstTaxRates->setObjectName(QStringLiteral("lstTaxRates"));
    m_lstTaxRates->setHorizontalHeaderLabels(
        {QStringLiteral("Rate"), QStringLiteral("Percentage"), QStringLiteral("In use for new items")});
    m_lstTaxRates->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lstTaxRates->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lstTaxRates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lstTaxRates->verticalHeader()->hide();
    m_lstTaxRates->horizontalHeader()->setStretchLastSection(true);
    m_lstTaxRates->setMinimumHeight(120);

    m_txtRateName = new QLineEdit(this);
    m_txtRateName->setObjectName(QStringLiteral("txtRateName"));
    m_txtRateName->setMaxLength(40);
    m_txtRatePercent = new QLineEdit(this);
    m_txtRatePercent->setObjectName(QStringLiteral("txtRatePercent"));
    auto* cmdAdd = makeButton("cmdAddRate", QStringLiteral("Add Rate"), this);
    m_cmdRetireRate = makeButton("cmdRetireRate", QStringLiteral("Retire"), this);
    auto* cmdDelete = makeButton("cmdDeleteRate", QStringLiteral("Delete Rate"), this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Largest discount without approval:"), limitRow);
    form->addRow(QString(), m_chkPricesIncludeTax);
    form->addRow(m_lstTaxRates);
    form->addRow(QStringLiteral("Rate name:"), m_txtRateName);
    form->addRow(QStringLiteral("Rate percentage:"), m_txtRatePercent);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdAdd);
    buttons->addWidget(m_cmdRetireRate);
    buttons->addWidget(cmdDelete);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(form);
    outer->addLayout(buttons);

    connect(cmdLimit, &QPushButton::clicked, this, &TaxSettings::setLimit);
    connect(m_txtDiscountLimit, &QLineEdit::returnPressed, this, &TaxSettings::setLimit);
    connect(m_chkPricesIncludeTax, &QCheckBox::toggled, this, [this](bool on) {
        if (PricingStore(m_ctx.db).setPricesIncludeTax(on))
            return;
        m_ctx.platform.writeFailed(this, QStringLiteral("The tax setting was not saved."), m_ctx.db.lastError());
        const QSignalBlocker quiet(m_chkPricesIncludeTax);
        m_chkPricesIncludeTax->setChecked(!on);
    });
    connect(cmdAdd, &QPushButton::clicked, this, &TaxSettings::addRate);
    connect(m_cmdRetireRate, &QPushButton::clicked, this, &TaxSettings::retireRate);
    connect(cmdDelete, &QPushButton::clicked, this, &TaxSettings::deleteRate);
    connect(m_lstTaxRates, &QTableWidget::itemSelectionChanged, this, [this] {
        bool retired = false;
        selectedRate(&retired);
        m_cmdRetireRate->setText(retired ? QStringLiteral("Restore") : QStringLiteral("Retire"));
    });
    refreshRates();
}

void TaxSettings::refreshRates()
{
    QVector<TaxRate> rates;
    if (!PricingStore(m_ctx.db).rates(rates))
        m_ctx.platform.writeFailed(this, QStringLiteral("The tax rates could not be read."), m_ctx.db.lastError());
    m_lstTaxRates->setRowCount(0);
    for (const TaxRate& r : std::as_const(rates)) {
        const int row = m_lstTaxRates->rowCount();
        m_lstTaxRates->insertRow(row);
        auto* name = new QTableWidgetItem(r.name);
        name->setData(Qt::UserRole, r.id);
        name->setData(Qt::UserRole + 1, r.retired);
        m_lstTaxRates->setItem(row, 0, name);
        auto* percent = new QTableWidgetItem(percentText(r.rate) + u'%');
        percent->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_lstTaxRates->setItem(row, 1, percent);
        m_lstTaxRates->setItem(
            row, 2, new QTableWidgetItem(r.retired ? QStringLiteral("No (retired)") : QStringLiteral("Yes")));
    }
    m_lstTaxRates->resizeColumnsToContents();
}

qint64 TaxSettings::selectedRate(bool* retired) const
{
    const int row = m_lstTaxRates->currentRow();
    const QTableWidgetItem* item = row >= 0 ? m_lstTaxRates->item(row, 0) : nullptr;
    if (!item)
        return -1;
    if (retired)
        *retired = item->data(Qt::UserRole + 1).toBool();
    return item->data(Qt::UserRole).toLongLong();
}

void TaxSettings::setLimit()
{
    QString error;
    const InputProblem problem = PricingStore(m_ctx.db).setDiscountLimit(m_txtDiscountLimit->text(), &error);
    if (!error.isEmpty()) {
        m_ctx.platform.writeFailed(this, QStringLiteral("The discount limit was not saved."), error);
        return;
    }
    if (problem != InputProblem::None) {
        m_ctx.platform.message(this, problemText(problem, QStringLiteral("Largest discount without approval")), kTitle);
        m_txtDiscountLimit->setFocus();
        return;
    }
    m_ctx.platform.message(this,
                           QStringLiteral("Discounts above %1% now need an administrator's approval.")
                               .arg(percentText(PricingStore(m_ctx.db).discountLimit().value_or(0))),
                           kTitle);
}

void TaxSettings::addRate()
{
    const RateResult r = PricingStore(m_ctx.db).addRate(m_txtRateName->text(), m_txtRatePercent->text());
    switch (r.outcome) {
    case RateOutcome::Stored:
        m_txtRateName->clear();
        m_txtRatePercent->clear();
        refreshRates();
        return;
    case RateOutcome::BadName:
        m_ctx.platform.message(this, QStringLiteral("Type the rate's name in the Rate name box."), kTitle);
        m_txtRateName->setFocus();
        return;
    case RateOutcome::NameTaken:
        m_ctx.platform.message(this, QStringLiteral("A rate of that name exists already: change the Rate name box."),
                               kTitle);
        m_txtRateName->setFocus();
        return;
    case RateOutcome::BadInput:
        m_ctx.platform.message(this, problemText(r.problem, QStringLiteral("Rate percentage")), kTitle);
        m_txtRatePercent->setFocus();
        return;
    default:
        m_ctx.platform.writeFailed(this, QStringLiteral("The rate was not added."), r.error);
        return;
    }
}

void TaxSettings::retireRate()
{
    bool retired = false;
    const qint64 id = selectedRate(&retired);
    if (id < 0) {
        m_ctx.platform.message(this, QStringLiteral("Select a rate in the list first."), kTitle);
        return;
    }
    const RateResult r = PricingStore(m_ctx.db).setRetired(id, !retired);
    if (r.outcome == RateOutcome::WriteFailed)
        m_ctx.platform.writeFailed(this, QStringLiteral("The rate was not changed."), r.error);
    refreshRates();
}

void TaxSettings::deleteRate()
{
    const qint64 id = selectedRate();
    if (id < 0) {
        m_ctx.platform.message(this, QStringLiteral("Select a rate in the list first."), kTitle);
        return;
    }
    const RateResult r = PricingStore(m_ctx.db).deleteRate(id);
    if (r.outcome == RateOutcome::InUse)
        m_ctx.platform.message(this,
                               QStringLiteral("Items still have this rate, so it cannot be deleted. Retire it instead: "
                                              "the items keep it, and no other item gets it."),
                               kTitle);
    else if (r.outcome == RateOutcome::WriteFailed)
        m_ctx.platform.writeFailed(this, QStringLiteral("The rate was not deleted."), r.error);
    refreshRates();
}
