#pragma once

#include "platform/FormDialog.h"
#include "session/WindowFactory.h"

#include <memory>

// Opens plain windows of the right names in place of the real ones.
class TestWindows : public WindowFactory
{
public:
    std::unique_ptr<FormDialog> createPOS(QWidget* parent) override { return make("frmPOS", parent); }
    std::unique_ptr<FormDialog> createReg(QWidget* parent) override { return make("frmReg", parent); }
    std::unique_ptr<FormDialog> createSetting(QWidget* parent) override { return make("frmSetting", parent); }
    std::unique_ptr<FormDialog> createInventory(QWidget* parent) override { return make("frmInvent", parent); }
    std::unique_ptr<FormDialog> createSales(QWidget* parent) override { return make("frmSales", parent); }

private:
    static std::unique_ptr<FormDialog> make(const char* name, QWidget* parent)
    {
        auto window = std::make_unique<FormDialog>(parent);
        window->setObjectName(QString::fromLatin1(name));
        window->resize(400, 200);
        return window;
    }
};
