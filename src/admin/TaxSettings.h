#pragma once

#include <QGroupBox>

struct AppContext;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The settings window's discounts and tax: the largest percentage given without approval,
// whether prices include tax, and the list of tax rates with their buttons. Each change is
// stored at once; a refused entry says which box and keeps what was typed.
class TaxSettings : public QGroupBox
{
    Q_OBJECT

public:
    explicit TaxSettings(AppContext& ctx, QWidget* parent = nullptr);

private:
    void refreshRates();
    void setLimit();
    void addRate();
    void retireRate();
    void deleteRate();
    qint64 selectedRate(bool* retired = nullptr) const;

    AppContext& m_ctx;
    QLineEdit* m_txtDiscountLimit = nullptr;
    QCheckBox* m_chkPricesIncludeTax = nullptr;
    QTableWidget* m_lstTaxRates = nullptr;
    QLineEdit* m_txtRateName = nullptr;
    QLineEdit* m_txtRatePercent = nullptr;
    QPushButton* m_cmdRetireRate = nullptr;
};
