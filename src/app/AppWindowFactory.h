#pragma once

#include "session/WindowFactory.h"

struct AppContext;

// Creates the real windows of every folder for the main window.
class AppWindowFactory : public WindowFactory
{
public:
    explicit AppWindowFactory(AppContext& ctx) : m_ctx(ctx) {}
    std::unique_ptr<FormDialog> createPOS(QWidget* parent) override;
    std::unique_ptr<FormDialog> createReg(QWidget* parent) override;
    std::unique_ptr<FormDialog> createSetting(QWidget* parent) override;
    std::unique_ptr<FormDialog> createInventory(QWidget* parent) override;
    std::unique_ptr<FormDialog> createSales(QWidget* parent) override;
    std::unique_ptr<FormDialog> createFindSale(QWidget* parent) override;

private:
    AppContext& m_ctx;
};
