#pragma once

#include "platform/FormDialog.h"

#include <memory>

class QWidget;

// Creates the windows that one window opens from another folder: the main window's four
// entries, and the windows the sales window steps aside for. Implemented in app/.
class WindowFactory
{
public:
    virtual ~WindowFactory() = default;
    virtual std::unique_ptr<FormDialog> createPOS(QWidget* parent) = 0;
    virtual std::unique_ptr<FormDialog> createReg(QWidget* parent) = 0;
    virtual std::unique_ptr<FormDialog> createSetting(QWidget* parent) = 0;
    virtual std::unique_ptr<FormDialog> createInventory(QWidget* parent) = 0;
    virtual std::unique_ptr<FormDialog> createSales(QWidget* parent) = 0;
    // The window that finds a completed sale (for the sales ledger); none where it is not offered.
    virtual std::unique_ptr<FormDialog> createFindSale(QWidget* /*parent*/) { return nullptr; }
};
