#pragma once

#include "platform/FormDialog.h"
#include "till/TillFigures.h"

struct AppContext;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

// "Open Till...": the float typed by the cashier, the last Z's "left in drawer" proposed.
class frmOpenTill : public FormDialog
{
    Q_OBJECT

public:
    frmOpenTill(AppContext& ctx, const QString& who, QWidget* parent = nullptr);

private:
    void openTill();

    AppContext& m_ctx;
    QString m_who;
    QLineEdit* m_txtFloat = nullptr;
};

// "Cash In/Out...": an amount above 0.00 put into or taken out of the drawer, with its reason.
class frmCashMove : public FormDialog
{
    Q_OBJECT

public:
    frmCashMove(AppContext& ctx, const QString& who, QWidget* parent = nullptr);

private:
    void store();

    AppContext& m_ctx;
    QString m_who;
    QRadioButton* m_optIn = nullptr;
    QRadioButton* m_optOut = nullptr;
    QLineEdit* m_txtAmount = nullptr;
    QLineEdit* m_txtReason = nullptr;
};

// The X (the open session so far, changing nothing) or the Z close: the counted cash (hidden
// expected cash with "Blind count" on until a count is typed) and what stays in the drawer.
// Both print like receipts.
class frmTillReport : public FormDialog
{
    Q_OBJECT

public:
    enum class Kind { X, Z };
    frmTillReport(AppContext& ctx, Kind kind, const QString& who, bool roll, QWidget* parent = nullptr);
    // False when the window has nothing to show (no open session, or the cart holds lines
    // for a Z); the caller was told why.
    bool ready() const { return m_ready; }

private:
    void showFigures(const TillFigures& figures, bool blind);
    void updateCount();
    void closeTill();
    void print();

    AppContext& m_ctx;
    Kind m_kind;
    QString m_who;
    bool m_ready = false;
    bool m_blind = false;
    TillFigures m_figures;
    QGridLayout* m_grid = nullptr;
    QLineEdit* m_txtCounted = nullptr;
    QLineEdit* m_txtLeft = nullptr;
    QLabel* m_lblDifference = nullptr;
    QPushButton* m_cmdClose = nullptr;
    QPushButton* m_cmdPrint = nullptr;
    QComboBox* m_cboPaper = nullptr;
};

// "Z Reports" (administrators): every stored Z, newest first, found by till and reprinted.
class frmZReports : public FormDialog
{
    Q_OBJECT

public:
    frmZReports(AppContext& ctx, bool roll, QWidget* parent = nullptr);

private:
    void load();
    void reprint();

    AppContext& m_ctx;
    QLineEdit* m_txtTill = nullptr;
    QTableWidget* m_list = nullptr;
    QComboBox* m_cboPaper = nullptr;
};
