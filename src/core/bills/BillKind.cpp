#include "BillKind.h"

#include "text/Clock.h"

namespace {
const BillKindInfo kKinds[] = {
    {BillKind::Purchase, "purchase", "JH-", BillTable::EnterStock, "run_caigou", "进货操作",
     "入库操作失败!\r\n 失败原因：connect to database failed.", "入库操作失败(入库单)!\r\n ",
     "入库操作失败(入库单)!\r\n 失败原因：", "入库操作失败(库存表)!\r\n 失败原因：",
     "仓库进货操作成功!是否继续对其他商品进行入库操作？", true, "确定要废弃处理此单据吗？"},
    {BillKind::PurchaseReturn, "purchase-return", "JHTH-", BillTable::BackStock,
     "run_caigou_tuihuo", "退货操作", "入库操作失败!\r\n 失败原因：connect to database failed.",
     "退货操作失败(退货单)!\r\n ", "仓库退货操作失败(进货退货单)!\r\n 失败原因",
     "仓库退货操作失败(库存表)!\r\n 失败原因：", "仓库退货操作成功!", false,
     "确定要废弃处理此单据吗？"},
    {BillKind::Sale, "sale", "XS-", BillTable::EnterSale, "run_sale", "销售操作",
     "销售入库操作失败!\r\n 失败原因：connect to database failed.", "销售操作失败(销售单)!\r\n ",
     "销售入库操作失败(入库单)!\r\n 失败原因：", "销售入库操作失败(库存表)!\r\n 失败原因：",
     "销售 操作成功!是否继续 销售 操作？", true, "废弃当前单据？"},
    {BillKind::SaleReturn, "sale-return", "XSTH-", BillTable::BackSale, "run_sale_tuihuo",
     "退货操作", "销售入库操作失败!\r\n 失败原因：connect to database failed.",
     "销售退货操作失败(销售退货单)!\r\n ", "销售退货操作失败(进货退货单)!\r\n 失败原因",
     "销售退货操作失败(库存表)!\r\n 失败原因：", "销售退货操作成功!", false, "废弃当前单据？"},
    {BillKind::Loss, "loss", "BS-", BillTable::BaoSunDan, "", "填写报损单操作",
     "连接数据库失败!\r\n 失败原因：connect to database failed.", "报损单操作失败(报损单表)!\r\n ",
     "报损单操作失败(报损单表)!\r\n ", "报损单操作失败(库存表)!\r\n ",
     "报损 操作成功!是否继续 报损 操作？", true, nullptr},
    {BillKind::Gain, "gain", "BY-", BillTable::BaoYiDan, "", "报溢操作",
     "连接数据库失败!\r\n 失败原因：connect to database failed.",
     "报溢操作失败(报溢单表)!\r\n 失败原因", "报溢操作失败(报溢单表)!\r\n 失败原因",
     "报溢操作失败(库存表)!\r\n 失败原因：", "报溢操作成功!", false, nullptr},
    {BillKind::Price, "price", "TJ-", BillTable::TiaoJiaDan, "", "仓库中的商品已成功调价.",
     "连接数据库失败!\r\n", "调价单操作失败(调价记录表)!\r\n ", "调价单操作失败(调价记录表)!\r\n ",
     "调价单操作失败(库存表)!\r\n ", "仓库中的商品已成功调价！", false, nullptr},
    {BillKind::Transfer, "transfer", "YK-", BillTable::YiKuDan, "run_yiku", "移库操作",
     "连接数据库失败!\r\n 失败原因：connect to database failed.", "移库单操作失败(移库单表)!\r\n ",
     "移库单操作失败(移库单表)!\r\n ", "移库单操作失败(库存表)!\r\n ",
     "移库操作成功！是否继续移库操作？", true, "废弃当前单据？"},
    {BillKind::Receipt, "receipt", "SK-", BillTable::FundBill, "run_shoukuan", "收款操作",
     "收款操作失败!\r\n 失败原因：connect to database failed.", "收款操作失败(收款单)!\r\n ",
     "收款操作失败(收款单)!\r\n ", "收款操作失败(收款单)!\r\n ", "收款操作成功！是否继续收款操作？",
     true, nullptr},
    {BillKind::Payment, "payment", "FK-", BillTable::FundBill, "run_fukuan", "付款操作",
     "付款操作失败!\r\n 失败原因：connect to database failed.", "付款操作失败(付款单)!\r\n ",
     "付款操作失败(付款单)!\r\n ", "付款操作失败(付款单)!\r\n ", "付款操作成功！是否继续付款操作？",
     true, nullptr},
};
} // namespace

const BillKindInfo& KindInfo(BillKind kind) {
    return kKinds[static_cast<int>(kind)];
}

bool IsTradeKind(BillKind kind) {
    return kind == BillKind::Purchase || kind == BillKind::PurchaseReturn ||
           kind == BillKind::Sale || kind == BillKind::SaleReturn;
}

bool IsFundKind(BillKind kind) {
    return kind == BillKind::Receipt || kind == BillKind::Payment;
}

const char* FundKindText(BillKind kind) {
    return kind == BillKind::Receipt   ? kFundKindReceipt
           : kind == BillKind::Payment ? kFundKindPayment
                                       : nullptr;
}

std::optional<BillKind> BillKindFromCliName(const std::string& name) {
    for (const auto& k : kKinds) {
        if (name == k.cliName)
            return k.kind;
    }
    return std::nullopt;
}

std::optional<BillKind> BillKindFromHistoryWord(const std::string& word) {
    for (const auto& k : kKinds) {
        if (*k.historyWord && word == k.historyWord)
            return k.kind;
    }
    return std::nullopt;
}

std::string NewBillNumber(BillKind kind) {
    return KindInfo(kind).prefix + FormatNow("%y%m%d-%H%M%S");
}
