#include "app/AppWindowFactory.h"

#include "admin/frmSetting.h"
#include "inventory/frmInvent.h"
#include "registration/frmReg.h"
#include "reports/frmSales.h"
#include "sales/frmFindSale.h"
#include "sales/frmPOS.h"

std::unique_ptr<FormDialog> AppWindowFactory::createPOS(QWidget* parent)
{
    return std::make_unique<frmPOS>(m_ctx, parent);
}

std::unique_ptr<FormDialog> AppWindowFactory::createReg(QWidget* parent)
{
    return std::make_unique<frmReg>(m_ctx, parent);
}

std::unique_ptr<FormDialog> AppWindowFactory::createSetting(QWidget* parent)
{
    return std::make_unique<frmSetting>(m_ctx, parent);
}

std::unique_ptr<FormDialog> AppWindowFactory::createInventory(QWidget* parent)
{
    return std::make_unique<frmInvent>(m_ctx, parent);
}

std::unique_ptr<FormDialog> AppWindowFactory::createSales(QWidget* parent)
{
    return std::make_unique<frmSales>(m_ctx, parent);
}

std::unique_ptr<FormDialog> AppWindowFactory::createFindSale(QWidget* parent)
{
    return std::make_unique<frmFindSale>(m_ctx, parent);
}
