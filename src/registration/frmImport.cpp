#include "registration/frmImport.h"

#include "data/TextForms.h"
#include "platform/ScreenFit.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

frmImport::frmImport(const ItemImport::Plan& plan, const QString& fileName, const QString& firstNumber, QWidget* parent)
    : FormDialog(parent)
{
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("Import Items"));

    const qsizetype count = plan.items.size();
    const qsizetype updates = plan.updates.size();
    QString summary;
    if (count == 0 && updates == 0)
        summary = QStringLiteral("No row of this file can be registered.");
    else if (count > 0)
        summary = QStringLiteral("%1 item%2 will be registered, under Item Numbers from %3 on.")
                      .arg(FormatNumber(static_cast<double>(count), NumberPattern::Grouped0))
                      .arg(count == 1 ? QString() : QStringLiteral("s"))
                      .arg(firstNumber);
    else
        summary = QStringLiteral("No new item will be registered.");
    if (updates > 0)
        summary += QStringLiteral("\n%1 registered item%2 will be updated (name, price, description, brand, stock).")
                       .arg(FormatNumber(static_cast<double>(updates), NumberPattern::Grouped0))
                       .arg(updates == 1 ? QString() : QStringLiteral("s"));
    if (!plan.refused.isEmpty())
        summary += QStringLiteral("\n%1 row%2 refused and will not be registered.")
                       .arg(FormatNumber(static_cast<double>(plan.refused.size()), NumberPattern::Grouped0))
                       .arg(plan.refused.size() == 1 ? QStringLiteral(" is") : QStringLiteral("s are"));

    // The first rows to register, with the price the till will charge for each.
    const QVector<ItemImport::Shown> first = ItemImport::firstItems(plan, 5);
    m_lstFirst = new QTableWidget(static_cast<int>(first.size()), 4, this);
    m_lstFirst->setObjectName(QStringLiteral("lstFirst"));
    m_lstFirst->setHorizontalHeaderLabels({QStringLiteral("Line"), QStringLiteral("Item Name"),
                                           QStringLiteral("Price Charged"), QStringLiteral("Stocks")});
    m_lstFirst->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lstFirst->verticalHeader()->hide();
    m_lstFirst->setWordWrap(false);
    for (int r = 0; r < first.size(); ++r) {
        const ItemImport::Shown& item = first.at(r);
        const QStringList cells{QString::number(item.line), item.name,
                                FormatNumber(item.price, NumberPattern::Grouped2), item.stocks};
        for (int c = 0; c < cells.size(); ++c) {
            auto* cell = new QTableWidgetItem(cells.at(c));
            if (c != 1)
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_lstFirst->setItem(r, c, cell);
        }
    }
    m_lstFirst->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_lstFirst->horizontalHeader()->resizeSection(1, 260);
    m_lstFirst->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    m_lstFirst->horizontalHeader()->setStretchLastSection(true);
    m_lstFirst->setFixedHeight(m_lstFirst->horizontalHeader()->sizeHint().height() +
                               m_lstFirst->verticalHeader()->defaultSectionSize() * static_cast<int>(first.size()) +
                               2 * m_lstFirst->frameWidth());
    m_lstFirst->setVisible(!first.isEmpty());
    auto* firstCaption = new QLabel(QStringLiteral("The first items, as they will be registered:"), this);
    firstCaption->setVisible(!first.isEmpty());

    auto* file = new QLabel(QStringLiteral("File: ") + QFileInfo(fileName).fileName(), this);
    file->setObjectName(QStringLiteral("lblFile"));
    file->setToolTip(fileName);
    m_lblSummary = new QLabel(summary, this);
    m_lblSummary->setObjectName(QStringLiteral("lblSummary"));
    m_lblSummary->setWordWrap(true);
    QFont bold = m_lblSummary->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    m_lblSummary->setFont(bold);

    // The refused rows first, then the rows registered under a name already in use.
    struct Shown
    {
        const ItemImport::Note* note;
        bool refused;
    };
    // A list of many thousand rows is not read by anyone and would take long to fill: the
    // first rows are listed and the summary says how many more there are.
    constexpr qsizetype kListed = 1000;
    QVector<Shown> shown;
    for (const ItemImport::Note& note : plan.refused)
        shown.push_back({&note, true});
    for (const ItemImport::Note& note : plan.notes)
        shown.push_back({&note, false});
    if (shown.size() > kListed) {
        summary += QStringLiteral("\nThe first %1 of the %2 rows to know about are listed.")
                       .arg(FormatNumber(static_cast<double>(kListed), NumberPattern::Grouped0),
                            FormatNumber(static_cast<double>(shown.size()), NumberPattern::Grouped0));
        shown.resize(kListed);
        m_lblSummary->setText(summary);
    }

    m_lstRows = new QTableWidget(static_cast<int>(shown.size()), 4, this);
    m_lstRows->setObjectName(QStringLiteral("lstRows"));
    m_lstRows->setHorizontalHeaderLabels(
        {QStringLiteral("Line"), QStringLiteral("Item Name"), QStringLiteral("Result"), QStringLiteral("Why")});
    m_lstRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lstRows->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lstRows->setAlternatingRowColors(true);
    m_lstRows->verticalHeader()->hide();
    m_lstRows->setWordWrap(false);
    for (int r = 0; r < shown.size(); ++r) {
        const ItemImport::Note& note = *shown.at(r).note;
        auto* line = new QTableWidgetItem(QString::number(note.line));
        line->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* result =
            new QTableWidgetItem(shown.at(r).refused ? QStringLiteral("Refused") : QStringLiteral("Registered"));
        if (shown.at(r).refused)
            result->setForeground(QColor(0xb0, 0x20, 0x20));
        m_lstRows->setItem(r, 0, line);
        m_lstRows->setItem(r, 1, new QTableWidgetItem(note.name));
        m_lstRows->setItem(r, 2, result);
        m_lstRows->setItem(r, 3, new QTableWidgetItem(note.text));
    }
    QHeaderView* header = m_lstRows->horizontalHeader();
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->resizeSection(1, 200);
    header->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    header->setStretchLastSection(true);
    m_lstRows->setVisible(!shown.isEmpty());

    m_cmdRegister = new QPushButton(QStringLiteral("Register"), this);
    m_cmdRegister->setObjectName(QStringLiteral("cmdRegister"));
    m_cmdRegister->setEnabled(count + updates > 0);
    m_cmdRegister->setVisible(count + updates > 0);
    m_cmdRegister->setMinimumWidth(110);
    m_cmdCancel = new QPushButton(count + updates > 0 ? QStringLiteral("Cancel") : QStringLiteral("Close"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setMinimumWidth(110);
    for (QPushButton* b : {m_cmdRegister, m_cmdCancel})
        b->setAutoDefault(false);
    connect(m_cmdRegister, &QPushButton::clicked, this, [this] { closeWindow(QDialog::Accepted); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { closeWindow(QDialog::Rejected); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdRegister);
    buttons->addWidget(m_cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->setSpacing(10);
    layout->addWidget(file);
    layout->addWidget(m_lblSummary);
    layout->addWidget(firstCaption);
    layout->addWidget(m_lstFirst);
    layout->addWidget(m_lstRows, 1);
    if (shown.isEmpty())
        layout->addStretch(1);
    layout->addLayout(buttons);

    setMinimumSize(520, 220);
    resizeToScreen(this, shown.isEmpty() ? QSize(600, 300) : QSize(820, 600));
}
