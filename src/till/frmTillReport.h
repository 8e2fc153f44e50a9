#pragma once

#include "platform/FormDialog.h"
#include "till/TillFigures.h"

struct AppContext;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

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
