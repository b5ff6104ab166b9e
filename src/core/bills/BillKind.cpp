#include "BillKind.h"

#include "store/CDataStore.h"
#include "text/Clock.h"

#include <algorithm>

namespace {
constexpr BillKindInfo kKinds[] = {
    {KindNames(BillKind::Purchase), "进货操作",
     "入库操作失败！\r\n 失败原因：connect to database failed.", "入库操作失败（入库单）！\r\n ",
     "入库操作失败（入库单）！\r\n 失败原因：", "入库操作失败（库存表）！\r\n 失败原因：",
     "仓库进货操作成功！是否继续对其他商品进行入库操作？", true, "确定要废弃处理此单据吗？"},
    {KindNames(BillKind::PurchaseReturn), "退货操作",
     "入库操作失败！\r\n 失败原因：connect to database failed.", "退货操作失败（退货单）！\r\n ",
     "仓库退货操作失败（进货退货单）！\r\n 失败原因", "仓库退货操作失败（库存表）！\r\n 失败原因：",
     "仓库退货操作成功！", false, "确定要废弃处理此单据吗？"},
    {KindNames(BillKind::Sale), "销售操作",
     "销售入库操作失败！\r\n 失败原因：connect to database failed.",
     "销售操作失败（销售单）！\r\n ", "销售入库操作失败（入库单）！\r\n 失败原因：",
     "销售入库操作失败（库存表）！\r\n 失败原因：", "销售 操作成功！是否继续 销售 操作？", true,
     "废弃当前单据？"},
    {KindNames(BillKind::SaleReturn), "退货操作",
     "销售入库操作失败！\r\n 失败原因：connect to database failed.",
     "销售退货操作失败（销售退货单）！\r\n ", "销售退货操作失败（进货退货单）！\r\n 失败原因",
     "销售退货操作失败（库存表）！\r\n 失败原因：", "销售退货操作成功！", false, "废弃当前单据？"},
    {KindNames(BillKind::Loss), "填写报损单操作",
     "连接数据库失败！\r\n 失败原因：connect to database failed.",
     "报损单操作失败（报损单表）！\r\n ", "报损单操作失败（报损单表）！\r\n ",
     "报损单操作失败（库存表）！\r\n ", "报损 操作成功！是否继续 报损 操作？", true, nullptr},
    {KindNames(BillKind::Gain), "报溢操作",
     "连接数据库失败！\r\n 失败原因：connect to database failed.",
     "报溢操作失败（报溢单表）！\r\n 失败原因", "报溢操作失败（报溢单表）！\r\n 失败原因",
     "报溢操作失败（库存表）！\r\n 失败原因：", "报溢操作成功！", false, nullptr},
    {KindNames(BillKind::Price), "仓库中的商品已成功调价.", "连接数据库失败！\r\n",
     "调价单操作失败（调价记录表）！\r\n ", "调价单操作失败（调价记录表）！\r\n ",
     "调价单操作失败（库存表）！\r\n ", "仓库中的商品已成功调价！", false, nullptr},
    {KindNames(BillKind::Transfer), "移库操作",
     "连接数据库失败！\r\n 失败原因：connect to database failed.",
     "移库单操作失败（移库单表）！\r\n ", "移库单操作失败（移库单表）！\r\n ",
     "移库单操作失败（库存表）！\r\n ", "移库操作成功！是否继续移库操作？", true, "废弃当前单据？"},
    {KindNames(BillKind::Receipt), "收款操作",
     "收款操作失败！\r\n 失败原因：connect to database failed.", "收款操作失败（收款单）！\r\n ",
     "收款操作失败（收款单）！\r\n ", "收款操作失败（收款单）！\r\n ",
     "收款操作成功！是否继续收款操作？", true, nullptr},
    {KindNames(BillKind::Payment), "付款操作",
     "付款操作失败！\r\n 失败原因：connect to database failed.", "付款操作失败（付款单）！\r\n ",
     "付款操作失败（付款单）！\r\n ", "付款操作失败（付款单）！\r\n ",
     "付款操作成功！是否继续付款操作？", true, nullptr},
    {KindNames(BillKind::Opening), "期初库存操作",
     "连接数据库失败！\r\n 失败原因：connect to database failed.",
     "期初库存操作失败（期初库存表）！\r\n ", "期初库存操作失败（期初库存表）！\r\n ",
     "期初库存操作失败（库存表）！\r\n ", "期初库存录入成功！是否继续录入期初库存？", true,
     nullptr},
    {KindNames(BillKind::OpeningBalance), "期初应收应付操作",
     "连接数据库失败！\r\n 失败原因：connect to database failed.", "期初应收应付操作失败！\r\n ",
     "期初应收应付操作失败！\r\n ", "期初应收应付操作失败！\r\n ",
     "期初应收应付录入成功！是否继续录入？", true, nullptr},
    {KindNames(BillKind::PurchaseOrder), "采购订单",
     "采购订单保存失败！\r\n 失败原因：connect to database failed.",
     "采购订单保存失败（采购订单）！\r\n ", "采购订单保存失败（订单明细）！\r\n 失败原因：",
     "采购订单保存失败！\r\n 失败原因：", "采购订单保存成功！是否继续录入采购订单？", true,
     "确定要废弃处理此单据吗？"},
    {KindNames(BillKind::SaleOrder), "销售订单",
     "销售订单保存失败！\r\n 失败原因：connect to database failed.",
     "销售订单保存失败（销售订单）！\r\n ", "销售订单保存失败（订单明细）！\r\n 失败原因：",
     "销售订单保存失败！\r\n 失败原因：", "销售订单保存成功！是否继续录入销售订单？", true,
     "废弃当前单据？"},
};

// Indexed by the enum's value, as the names are.
constexpr bool InEnumOrder() {
    for (std::size_t i = 0; i < std::size(kKinds); ++i) {
        if (kKinds[i].kind != static_cast<BillKind>(i))
            return false;
    }
    return std::size(kKinds) == std::size(kBillKindNames);
}
static_assert(InEnumOrder(), "kKinds holds one row per BillKind, in order");
} // namespace

const BillKindInfo& KindInfo(BillKind kind) {
    return kKinds[static_cast<std::size_t>(kind)];
}

const char* FundKindText(BillKind kind) {
    return kind == BillKind::Receipt   ? kFundKindReceipt
           : kind == BillKind::Payment ? kFundKindPayment
                                       : nullptr;
}

std::vector<std::string> FundKindTexts(BillKind kind) {
    if (kind == BillKind::OpeningBalance)
        return {kFundKindOpeningReceivable, kFundKindOpeningPayable};
    if (const char* text = FundKindText(kind))
        return {text};
    return {};
}

bool FundRowIsOfKind(BillKind kind, const std::string& rowKind) {
    const auto texts = FundKindTexts(kind);
    return std::find(texts.begin(), texts.end(), rowKind) != texts.end();
}

std::string FundKindCondition(BillKind kind, std::vector<std::string>& values) {
    std::string in;
    for (const std::string& t : FundKindTexts(kind)) {
        in += in.empty() ? "?" : ", ?";
        values.push_back(t);
    }
    return " Kind in (" + in + ")";
}

std::string NewBillNumber(BillKind kind) {
    return KindInfo(kind).prefix + FormatNow("%y%m%d-%H%M%S");
}

std::string KindFailureText(const char* text, const CDataStore& store) {
    std::string out = text;
    if (!store.ConnectionLost())
        return out;
    auto trim = [&] {
        while (!out.empty() && (out.back() == ' ' || out.back() == '\r' || out.back() == '\n'))
            out.pop_back();
    };
    trim();
    for (const std::string reason : {"失败原因：", "失败原因"}) {
        if (out.ends_with(reason)) {
            out.erase(out.size() - reason.size());
            break;
        }
    }
    trim();
    return out + "\r\n 失败原因：" + store.LastError();
}
