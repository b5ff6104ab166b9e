#include "TradeBillTexts.h"

const TradeBillTexts& TradeBillTextsOf(BillKind kind) {
    static const TradeBillTexts purchase{"供货单位：", "收货仓库：", "付款账户：", "付款金额：",
                                         "进货商品列表"};
    static const TradeBillTexts purchaseReturn{"供货单位：", "退货仓库：", "收款账户：",
                                               "收款金额：", "退货商品列表"};
    static const TradeBillTexts sale{"客户：", "出货仓库：", "收款账户：", "收款金额：",
                                     "销售商品列表"};
    static const TradeBillTexts saleReturn{"客户：", "退货仓库：", "付款账户：", "付款金额：",
                                           "退货商品列表"};
    switch (kind) {
    case BillKind::PurchaseReturn:
        return purchaseReturn;
    case BillKind::Sale:
        return sale;
    case BillKind::SaleReturn:
        return saleReturn;
    default:
        return purchase;
    }
}
