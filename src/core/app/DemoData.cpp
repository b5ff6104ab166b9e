#include "DemoData.h"

#include "Cferix_razazApp.h"
#include "bills/BillReversal.h"
#include "bills/CBill.h"
#include "bills/StockCount.h"
#include "config/ConfigDocumentStore.h"
#include "config/ConfigLists.h"
#include "port/MessagePort.h"
#include "store/AllEntries.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"
#include "store/WarehouseScope.h"
#include "text/Clock.h"
#include "text/Money.h"
#include "text/PinyinInitials.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <random>
#include <utility>
#include <vector>

namespace {
using Rng = std::mt19937;

int Uniform(Rng& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}

template <typename T, size_t N> const T& Pick(Rng& rng, const std::array<T, N>& items) {
    return items[static_cast<size_t>(Uniform(rng, 0, static_cast<int>(N) - 1))];
}

template <typename T> const T& Pick(Rng& rng, const std::vector<T>& items) {
    return items[static_cast<size_t>(Uniform(rng, 0, static_cast<int>(items.size()) - 1))];
}

std::string Padded(int value, int width) {
    std::string digits = std::to_string(value);
    return std::string(digits.size() < static_cast<size_t>(width) ? width - digits.size() : 0,
                       '0') +
           digits;
}

// ---- reference lists

const std::array<const char*, 3> kWarehouses = {"一号仓库", "二号仓库", "三号仓库"};
const std::array<const char*, 12> kUnits = {"个", "件", "箱", "台",   "套", "包",
                                            "瓶", "本", "把", "千克", "米", "盒"};
const std::array<const char*, 6> kBanks = {"中国工商银行", "中国建设银行", "中国农业银行",
                                           "中国银行",     "招商银行",     "现金"};
const std::array<const char*, 7> kAreas = {"华东", "华南", "华北", "华中", "西南", "西北", "东北"};
const std::array<const char*, 3> kIncome = {"销售收入", "服务收入", "其他收入"};
const std::array<const char*, 5> kSpending = {"房租", "水电费", "工资", "运输费", "办公费"};

struct Department {
    const char* name;
    const char* note;
    std::vector<const char*> employees;
};
// Purchases are handled by the first department, sales by the second, stock bills by the third.
const std::vector<Department>& Departments() {
    static const std::vector<Department> d = {
        {"采购部", "负责进货与供应商", {"张伟", "王芳", "李强", "赵敏"}},
        {"销售部", "负责销售与客户", {"刘洋", "陈静", "杨磊", "黄丽", "周杰"}},
        {"仓储部", "负责仓库与库存", {"吴刚", "郑欣", "孙涛"}},
        {"财务部", "负责收付款", {"马丽", "朱军"}},
        {"行政部", "", {"胡斌", "林晓"}},
    };
    return d;
}

bool HasEntry(const std::vector<ConfigListEntry>& list, const std::string& name) {
    return std::any_of(list.begin(), list.end(),
                       [&](const ConfigListEntry& e) { return e.name == name; });
}

bool FillReferenceLists() {
    auto addAll = [](const char* key, const auto& names) {
        auto existing = ReadConfigList(key);
        for (const char* name : names) {
            if (!HasEntry(existing, name) && !AddConfigListEntry(key, name, ""))
                return false;
        }
        return true;
    };
    if (!addAll("warehouse", kWarehouses) || !addAll("unit", kUnits) || !addAll("bank", kBanks) ||
        !addAll("area", kAreas) || !addAll("income", kIncome) || !addAll("spending", kSpending))
        return false;
    auto departments = ReadDepartments();
    auto employees = ReadEmployees(std::nullopt);
    int phone = 0;
    for (const Department& d : Departments()) {
        if (!HasEntry(departments, d.name) && !AddDepartment(d.name, d.note))
            return false;
        for (const char* name : d.employees) {
            ++phone;
            bool known = std::any_of(employees.begin(), employees.end(), [&](const auto& e) {
                return e.department == d.name && e.name == name;
            });
            if (!known &&
                !AddEmployee(d.name, name, "1380013" + Padded(phone, 4),
                             std::string("上海市浦东新区张江路") + std::to_string(phone * 7) + "号",
                             "19" + std::to_string(70 + phone % 30) + "-0" +
                                 std::to_string(1 + phone % 9) + "-1" + std::to_string(phone % 10),
                             ""))
                return false;
        }
    }
    return true;
}

// ---- goods classes and goods

struct ItemKind {
    const char* name;
    const char* unit;
    int priceLow, priceHigh; // whole currency units
    std::vector<const char*> specs;
};

struct GoodsClass {
    const char* parent;
    const char* name;
    std::vector<ItemKind> items;
};

const std::vector<GoodsClass>& GoodsClasses() {
    static const std::vector<GoodsClass> c = {
        {"电子产品",
         "手机通讯",
         {{"智能手机", "台", 899, 5999, {"64GB", "128GB", "256GB"}},
          {"蓝牙耳机", "个", 59, 899, {"白色", "黑色"}},
          {"充电器", "个", 19, 199, {"20W", "65W"}}}},
        {"电子产品",
         "电脑配件",
         {{"无线鼠标", "个", 29, 299, {"白色", "黑色"}},
          {"机械键盘", "个", 129, 899, {"87键", "104键"}},
          {"移动硬盘", "个", 299, 1299, {"1TB", "2TB", "4TB"}}}},
        {"办公用品",
         "书写工具",
         {{"中性笔", "盒", 12, 45, {"0.5mm 黑色", "0.5mm 蓝色", "0.38mm 红色"}},
          {"笔记本", "本", 5, 39, {"A5", "B5"}}}},
        {"办公用品",
         "纸张耗材",
         {{"复印纸", "箱", 120, 260, {"A4 70g", "A4 80g", "A3 80g"}},
          {"硒鼓", "个", 89, 599, {"黑色", "彩色"}}}},
        {"日用百货",
         "清洁用品",
         {{"洗衣液", "瓶", 19, 89, {"2kg", "3kg"}}, {"抽纸", "包", 9, 39, {"3层 120抽"}}}},
        {"食品饮料",
         "饮料",
         {{"矿泉水", "箱", 18, 45, {"550ml×24"}}, {"绿茶", "箱", 36, 72, {"500ml×15"}}}},
        {"食品饮料",
         "休闲食品",
         {{"饼干", "箱", 45, 120, {"原味", "巧克力味"}}, {"坚果", "盒", 59, 199, {"混合"}}}},
        {"五金工具",
         "手动工具",
         {{"螺丝刀套装", "套", 25, 168, {"6件套", "24件套"}},
          {"活动扳手", "把", 15, 88, {"8寸", "10寸"}}}},
    };
    return c;
}

const std::array<const char*, 12> kBrands = {"华强", "恒通", "新世纪", "金达", "联创", "远航",
                                             "博雅", "天成", "宏图",   "瑞丰", "佳美", "安泰"};
const std::array<const char*, 8> kOrigins = {"广东深圳", "浙江义乌", "江苏苏州", "上海",
                                             "福建厦门", "山东青岛", "天津",     "四川成都"};

// Prices of a goods item in ten-thousandths (half-away rounding keeps them on cents).
struct GoodsPrices {
    CMoney in, retail;
};

std::string GoodsCode(int index) {
    return "SP" + Padded(index + 1, 6);
}

std::string Ean13(int index) {
    std::string digits = "690" + Padded(index + 1, 9);
    int sum = 0;
    for (size_t i = 0; i < digits.size(); ++i)
        sum += (digits[i] - '0') * (i % 2 ? 3 : 1);
    return digits + std::to_string((10 - sum % 10) % 10);
}

CMoney Cents(int cents) {
    return CMoney::FromUnits(static_cast<int64_t>(cents) * 100);
}

GoodsRecord MakeGoods(Rng& rng, int index, GoodsPrices& prices) {
    const auto& classes = GoodsClasses();
    const GoodsClass& cls = classes[static_cast<size_t>(index) % classes.size()];
    const ItemKind& item =
        cls.items[static_cast<size_t>(index / static_cast<int>(classes.size())) % cls.items.size()];
    const char* brand = Pick(rng, kBrands);
    const char* spec = Pick(rng, item.specs);
    int inCents = Uniform(rng, item.priceLow * 100, item.priceHigh * 100);
    int retailCents = inCents + inCents * Uniform(rng, 12, 45) / 100;
    prices = {Cents(inCents), Cents(retailCents)};

    GoodsRecord g;
    g.Code = GoodsCode(index);
    g.ProductName = std::string(brand) + item.name + " " + spec;
    // The 助记码 a clerk types: the initials of brand and item, as the goods form fills it.
    static thread_local std::map<std::string, std::string> initials;
    const std::string shortName = std::string(brand) + item.name;
    auto [known, fresh] = initials.try_emplace(shortName);
    if (fresh)
        known->second = PinyinInitials(shortName);
    g.SmartName = known->second;
    g.ClassName = cls.name;
    g.Unit = item.unit;
    g.PartNumber = "XH-" + Padded(Uniform(rng, 100, 9999), 4);
    g.Specifications = spec;
    g.ProductingArea = Pick(rng, kOrigins);
    g.RetailPrice = prices.retail.Format2();
    g.PriceIn = prices.in.Format2();
    g.BarCode = Ean13(index);
    g.ShelfLife = cls.parent == std::string("食品饮料") ? "12个月" : "";
    g.Available = "是";
    g.Note = index % 17 == 0 ? "畅销" : "";
    return g;
}

// ---- business units

const std::array<const char*, 12> kCities = {"上海", "北京", "广州", "深圳", "杭州", "南京",
                                             "苏州", "武汉", "成都", "重庆", "天津", "西安"};
const std::array<const char*, 12> kFirmWords = {"华东", "恒信", "盛达", "鑫源", "永泰", "正和",
                                                "宏远", "金桥", "瑞祥", "东方", "百联", "中天"};
const std::array<const char*, 4> kFirmKinds = {"电子", "商贸", "科技", "实业"};
const std::array<const char*, 10> kSurnames = {"王", "李", "张", "刘", "陈",
                                               "杨", "赵", "黄", "周", "吴"};
const std::array<const char*, 8> kGivenNames = {"建国", "秀英", "志强", "海燕",
                                                "国平", "丽娟", "文杰", "晓明"};

BusinessUnitRecord MakeBusinessUnit(Rng& rng, int index) {
    // One in three is a supplier.
    const bool supplier = index % 3 == 0;
    BusinessUnitRecord u;
    u.CustomerCode = (supplier ? "GYS" : "KH") + Padded(index + 1, 5);
    // Names run through every combination before one comes again with a number.
    const size_t i = static_cast<size_t>(index);
    u.CustomerName = std::string(kCities[i % 12]) + kFirmWords[i / 12 % 12] +
                     kFirmKinds[i / 144 % 4] + (supplier ? "有限公司" : "贸易有限公司") +
                     (i >= 576 ? std::to_string(i / 576 + 1) + "号" : "");
    u.CustomerContact = std::string(Pick(rng, kSurnames)) + Pick(rng, kGivenNames);
    u.CustomerMobile = "13" + Padded(Uniform(rng, 0, 999'999'999), 9);
    u.CustomerTel = "021-" + Padded(Uniform(rng, 50'000'000, 69'999'999), 8);
    u.CustomerFax = u.CustomerTel;
    u.CustomerZip = Padded(Uniform(rng, 100'000, 850'000), 6);
    u.CustomerAddr =
        std::string(Pick(rng, kCities)) + "市人民路" + std::to_string(Uniform(rng, 1, 999)) + "号";
    u.CustomerArea = Pick(rng, kAreas);
    u.CustomerType = supplier ? "供应商" : "客户";
    u.CustomerEmail = "contact" + std::to_string(index + 1) + "@example.com";
    u.CustomerQq = std::to_string(Uniform(rng, 10'000'000, 99'999'999));
    u.CustomerNote = index % 11 == 0 ? "月结30天" : "";
    return u;
}

// ---- bills

// Moments of the bills: distinct seconds within working hours (08:00 to 18:00), in order,
// spread evenly over the days that end today.
std::vector<std::time_t> BillMoments(Rng& rng, int bills, int days) {
    constexpr int kOpen = 8 * 3600, kHours = 10 * 3600;
    std::vector<std::time_t> moments;
    moments.reserve(static_cast<size_t>(bills));
    std::tm today{};
    std::time_t now = ClockNow();
    localtime_r(&now, &today);
    int i = 0;
    for (int d = 0; d < days && i < bills; ++d) {
        int end = static_cast<int>((static_cast<int64_t>(d) + 1) * bills / days);
        int count = end - i;
        if (count <= 0)
            continue;
        std::tm day = today;
        day.tm_mday -= days - 1 - d;
        day.tm_hour = day.tm_min = day.tm_sec = 0;
        day.tm_isdst = -1;
        std::time_t start = std::mktime(&day);
        int slot = kHours / count;
        for (int k = 0; k < count; ++k, ++i)
            moments.push_back(start + kOpen + k * slot +
                              (slot > 1 ? Uniform(rng, 0, slot - 1) : 0));
    }
    return moments;
}

struct Catalogue {
    std::vector<GoodsRecord> goods;
    std::vector<GoodsPrices> prices;
    // The stock level a warehouse keeps of each goods item: it reorders below half of it and
    // fills up to twice it, so what is bought follows what is sold.
    std::vector<int> level;
    std::vector<std::string> suppliers, customers;
    // Quantity on hand per warehouse and goods item; -1 where there is no stock row.
    std::vector<int64_t> stock;
    int64_t& Stock(size_t warehouse, size_t goods) {
        return stock[warehouse * this->goods.size() + goods];
    }
};

const std::array<const char*, 6> kRemarks = {"月度补货", "促销备货", "客户急单",
                                             "季度盘点", "样品",     "大客户订单"};

class CBillMaker {
public:
    CBillMaker(Rng& rng, Catalogue& catalogue, int linesPerBill)
        : m_rng(rng), m_cat(catalogue), m_lines(linesPerBill) {
        m_order.resize(m_cat.goods.size());
        for (size_t i = 0; i < m_order.size(); ++i)
            m_order[i] = i;
        m_low.resize(kWarehouses.size());
        m_isLow.assign(m_cat.goods.size() * kWarehouses.size(), false);
    }

    // The opening purchase that brings the next goods into the next warehouses, at their level.
    CBill Opening(size_t& next) {
        const size_t goodsCount = m_cat.goods.size();
        CBill bill(BillKind::Purchase);
        size_t warehouse = next / goodsCount;
        Header(bill, warehouse);
        bill.m_introduction = "期初入库";
        for (int l = 0; l < m_lines && next < goodsCount * kWarehouses.size(); ++l, ++next) {
            if (next / goodsCount != warehouse)
                break; // one warehouse per bill
            const int level = m_cat.level[next % goodsCount];
            AddLine(bill, next % goodsCount, Uniform(m_rng, std::max(1, level / 2), level));
        }
        return bill;
    }

    CBill Next(bool purchasesOnly) {
        static const std::array<std::pair<BillKind, int>, 8> kMix = {{{BillKind::Purchase, 28},
                                                                      {BillKind::Sale, 48},
                                                                      {BillKind::PurchaseReturn, 3},
                                                                      {BillKind::SaleReturn, 4},
                                                                      {BillKind::Loss, 3},
                                                                      {BillKind::Gain, 3},
                                                                      {BillKind::Price, 5},
                                                                      {BillKind::Transfer, 6}}};
        BillKind kind = BillKind::Purchase;
        if (!purchasesOnly) {
            int roll = Uniform(m_rng, 0, 99);
            for (const auto& [k, weight] : kMix) {
                if (roll < weight) {
                    kind = k;
                    break;
                }
                roll -= weight;
            }
        }
        const size_t warehouse =
            static_cast<size_t>(Uniform(m_rng, 0, static_cast<int>(kWarehouses.size()) - 1));
        const bool takesStock = kind == BillKind::Sale || kind == BillKind::PurchaseReturn ||
                                kind == BillKind::Loss || kind == BillKind::Transfer;
        const bool needsRow = takesStock || kind == BillKind::Price;
        std::vector<size_t> chosen = kind == BillKind::Purchase && !purchasesOnly
                                         ? Reorders(warehouse)
                                         : ChooseGoods(warehouse, needsRow, takesStock);
        // A purchase's first lines are the goods that ran low.
        size_t reordered = kind == BillKind::Purchase ? chosen.size() : 0;
        if (chosen.size() < static_cast<size_t>(m_lines)) {
            // Not enough goods in stock here for a whole bill: time to buy.
            if (kind != BillKind::Purchase) {
                kind = BillKind::Purchase;
                chosen = purchasesOnly ? std::vector<size_t>() : Reorders(warehouse);
            }
            reordered = chosen.size();
            for (size_t g : ChooseGoods(warehouse, false, false)) {
                if (chosen.size() == static_cast<size_t>(m_lines))
                    break;
                if (std::find(chosen.begin(), chosen.end(), g) == chosen.end())
                    chosen.push_back(g);
            }
        }
        CBill bill(kind);
        Header(bill, warehouse);
        if (kind == BillKind::Transfer) {
            const size_t to =
                (warehouse + static_cast<size_t>(Uniform(m_rng, 1, 2))) % kWarehouses.size();
            bill.m_toWarehouse = kWarehouses[to];
        }
        for (size_t i = 0; i < chosen.size(); ++i) {
            const size_t g = chosen[i];
            const int64_t onHand = m_cat.Stock(warehouse, g);
            const int level = m_cat.level[g];
            int64_t quantity = 0;
            switch (kind) {
            case BillKind::Purchase:
                // What ran low is filled up to twice its level; anything else is bought in a
                // small amount.
                if (purchasesOnly)
                    quantity = Uniform(m_rng, 20, 200);
                else if (i < reordered)
                    quantity = std::max<int64_t>(1, 2 * level - std::max<int64_t>(onHand, 0));
                else
                    quantity = Uniform(m_rng, 1, std::max(1, level / 4));
                break;
            case BillKind::Sale:
                quantity = std::min<int64_t>(onHand, Uniform(m_rng, 1, std::max(2, level)));
                break;
            case BillKind::Transfer:
                quantity = std::min<int64_t>(onHand, Uniform(m_rng, 1, std::max(1, level / 3)));
                break;
            case BillKind::PurchaseReturn:
                quantity = std::min<int64_t>(onHand, Uniform(m_rng, 1, 3));
                break;
            case BillKind::Loss:
                quantity = std::min<int64_t>(onHand, Uniform(m_rng, 1, 2));
                break;
            default: // sale return, gain; price bills ignore the quantity
                quantity = Uniform(m_rng, 1, 3);
                break;
            }
            AddLine(bill, g, static_cast<int>(quantity));
        }
        return bill;
    }

    // Now and then a stock count of some goods of one warehouse: most are found as booked, a
    // few one or two off either way.
    std::optional<StockCount> Count() {
        if (Uniform(m_rng, 0, 149) != 0)
            return std::nullopt;
        const size_t warehouse =
            static_cast<size_t>(Uniform(m_rng, 0, static_cast<int>(kWarehouses.size()) - 1));
        StockCount count;
        count.number = FormatNow("PD-%y%m%d-%H%M%S");
        count.warehouse = kWarehouses[warehouse];
        std::vector<size_t> goods = ChooseGoods(warehouse, true, false);
        std::sort(goods.begin(), goods.end());
        for (size_t g : goods) {
            const int64_t book = m_cat.Stock(warehouse, g);
            int64_t counted = book;
            if (Uniform(m_rng, 0, 2) == 0)
                counted = std::max<int64_t>(0, book + Uniform(m_rng, -2, 2));
            const GoodsRecord& record = m_cat.goods[g];
            count.lines.push_back({record.Code, record.ProductName, record.Unit, record.BarCode,
                                   book, std::to_string(counted)});
        }
        return count;
    }

    // After a posted bill: the stock the posting changed. `sign` -1 undoes a reversed bill.
    void Book(const CBill& bill, const std::vector<size_t>& goods, int sign = 1) {
        size_t warehouse = WarehouseIndex(bill.m_warehouse);
        for (size_t i = 0; i < goods.size(); ++i) {
            int64_t q =
                std::stoll(bill.m_lines[i].quantity.empty() ? "0" : bill.m_lines[i].quantity);
            switch (bill.Kind()) {
            case BillKind::Purchase:
            case BillKind::SaleReturn:
            case BillKind::Gain:
            case BillKind::Opening:
                Move(warehouse, goods[i], sign * q);
                break;
            case BillKind::Sale:
            case BillKind::PurchaseReturn:
            case BillKind::Loss:
                Move(warehouse, goods[i], -sign * q);
                break;
            case BillKind::Transfer:
                Move(warehouse, goods[i], -sign * q);
                Move(WarehouseIndex(bill.m_toWarehouse), goods[i], sign * q);
                break;
            case BillKind::Price:
            case BillKind::Receipt: // money only
            case BillKind::Payment:
            case BillKind::OpeningBalance:
            case BillKind::PurchaseOrder: // orders move nothing
            case BillKind::SaleOrder:
                break;
            }
        }
    }

    // After a posted count: its differences.
    void Book(const StockCount& count) {
        const size_t warehouse = WarehouseIndex(count.warehouse);
        for (const CountLine& l : count.lines) {
            const size_t g = static_cast<size_t>(std::stoll(l.code.substr(2)) - 1);
            Move(warehouse, g, std::stoll(l.counted) - l.book);
        }
    }

    const std::vector<size_t>& LastGoods() const { return m_lastGoods; }

private:
    static size_t WarehouseIndex(const std::string& name) {
        for (size_t i = 0; i < kWarehouses.size(); ++i) {
            if (name == kWarehouses[i])
                return i;
        }
        return 0;
    }

    // A stock change; a row that falls below half its level goes on the warehouse's reorder
    // list. A missing row (-1) is made by the first goods that come in.
    void Move(size_t warehouse, size_t goods, int64_t change) {
        int64_t& onHand = m_cat.Stock(warehouse, goods);
        onHand = (change > 0 ? std::max<int64_t>(onHand, 0) : onHand) + change;
        const size_t at = warehouse * m_cat.goods.size() + goods;
        if (onHand < m_cat.level[goods] / 2 && !m_isLow[at]) {
            m_isLow[at] = true;
            m_low[warehouse].push_back(goods);
        }
    }

    // The goods of the warehouse's reorder list, oldest first, for one purchase bill.
    std::vector<size_t> Reorders(size_t warehouse) {
        std::vector<size_t>& low = m_low[warehouse];
        const size_t take = std::min(low.size(), static_cast<size_t>(m_lines));
        std::vector<size_t> chosen(low.begin(), low.begin() + static_cast<std::ptrdiff_t>(take));
        low.erase(low.begin(), low.begin() + static_cast<std::ptrdiff_t>(take));
        for (size_t g : chosen)
            m_isLow[warehouse * m_cat.goods.size() + g] = false;
        return chosen;
    }

    void Header(CBill& bill, size_t warehouse) {
        m_lastGoods.clear();
        const BillKind kind = bill.Kind();
        const bool buying = kind == BillKind::Purchase || kind == BillKind::PurchaseReturn;
        const bool selling = kind == BillKind::Sale || kind == BillKind::SaleReturn;
        const Department& d = Departments()[buying ? 0 : selling ? 1 : 2];
        bill.m_department = d.name;
        bill.m_employee = Pick(m_rng, d.employees);
        bill.m_warehouse = kWarehouses[warehouse];
        if (buying || selling) {
            const auto& units = buying ? m_cat.suppliers : m_cat.customers;
            const auto& others = buying ? m_cat.customers : m_cat.suppliers;
            bill.m_customer = Pick(m_rng, units.empty() ? others : units);
            bill.m_account = Pick(m_rng, kBanks);
        }
        if (Uniform(m_rng, 0, 9) == 0)
            bill.m_introduction = Pick(m_rng, kRemarks);
    }

    // Distinct goods for one bill, drawn without repetition; with `needsRow` only goods that
    // have a stock row in the warehouse, with `takesStock` only goods with stock on hand.
    std::vector<size_t> ChooseGoods(size_t warehouse, bool needsRow, bool takesStock) {
        std::vector<size_t> chosen;
        const size_t n = m_order.size();
        const size_t tries = needsRow ? std::min(n, static_cast<size_t>(m_lines) * 8) : n;
        for (size_t j = 0; j < tries && chosen.size() < static_cast<size_t>(m_lines); ++j) {
            size_t r = j + static_cast<size_t>(Uniform(m_rng, 0, static_cast<int>(n - j - 1)));
            std::swap(m_order[j], m_order[r]);
            int64_t onHand = m_cat.Stock(warehouse, m_order[j]);
            if ((needsRow && onHand < 0) || (takesStock && onHand <= 0))
                continue;
            chosen.push_back(m_order[j]);
        }
        return chosen;
    }

    void AddLine(CBill& bill, size_t goodsIndex, int quantity) {
        const GoodsRecord& g = m_cat.goods[goodsIndex];
        const GoodsPrices& p = m_cat.prices[goodsIndex];
        bill.AppendGoods(g);
        BillLine& line = bill.m_lines.back();
        line.unit = g.Unit;
        switch (bill.Kind()) {
        case BillKind::Sale:
        case BillKind::SaleReturn:
            line.price = p.retail.Format2();
            break;
        case BillKind::Price: {
            // A new cost within -10 % .. +20 % of the preset purchase price.
            int64_t units = p.in.Units() * Uniform(m_rng, 90, 120) / 100;
            line.price = CMoney::FromUnits(units - units % 100).Format2();
            break;
        }
        default:
            line.price = p.in.Format2();
            break;
        }
        if (bill.Kind() != BillKind::Price)
            line.quantity = std::to_string(quantity);
        if (bill.Kind() == BillKind::Purchase) {
            line.batch = "PH" + FormatNow("%y%m");
            line.productionDate = FormatLocalTime("%Y-%m-%d", ClockNow() - 86400 * 30);
        }
        m_lastGoods.push_back(goodsIndex);
    }

    Rng& m_rng;
    Catalogue& m_cat;
    int m_lines;
    std::vector<size_t> m_order;
    std::vector<size_t> m_lastGoods;
    // Per warehouse the goods below half their level, and per warehouse and goods whether
    // they are on that list.
    std::vector<std::vector<size_t>> m_low;
    std::vector<bool> m_isLow;
};

// What the customer or supplier paid at once on a trade bill: half of the bills in full, three
// in ten in part (a tenth to nine tenths, whole cents), the rest nothing yet.
std::string PaidAmount(Rng& rng, CBill& bill) {
    for (auto& l : bill.m_lines)
        l.amount = LineAmount(l.quantity, l.price);
    bill.RecomputeTotals();
    const int roll = Uniform(rng, 0, 9);
    if (roll < 5)
        return bill.m_amountTotal;
    if (roll >= 8)
        return "0.00";
    const int64_t total = CMoney::ParseOrZero(bill.m_amountTotal).Units();
    const int64_t part = total / 100 * Uniform(rng, 10, 90);
    return CMoney::FromUnits(part - part % 100).Format2();
}

// What each customer still owes and what is still owed to each supplier, so that the sample
// receipts and payments settle real debts (a part of one, in whole cents).
class CDebtBook {
public:
    void Book(const CBill& bill) {
        const int64_t open = CMoney::ParseOrZero(bill.m_amountTotal).Units() -
                             CMoney::ParseOrZero(bill.m_paid).Units();
        switch (bill.Kind()) {
        case BillKind::Sale:
            m_owed[bill.m_customer] += open;
            break;
        case BillKind::SaleReturn:
            m_owed[bill.m_customer] -= open;
            break;
        case BillKind::Purchase:
            m_owing[bill.m_customer] += open;
            break;
        case BillKind::PurchaseReturn:
            m_owing[bill.m_customer] -= open;
            break;
        default:
            break;
        }
    }

    // Now and then, after a trade bill with its unit: a receipt or payment of part of what the
    // unit owes or is owed; nothing when there is nothing to settle.
    std::optional<CBill> Settle(Rng& rng, const CBill& after) {
        const bool selling = after.Kind() == BillKind::Sale;
        if ((!selling && after.Kind() != BillKind::Purchase) || Uniform(rng, 0, 3) != 0)
            return std::nullopt;
        int64_t& open = (selling ? m_owed : m_owing)[after.m_customer];
        const int64_t part = open / 100 * Uniform(rng, 30, 100);
        const int64_t amount = part - part % 100;
        if (amount <= 0)
            return std::nullopt;
        CBill bill(selling ? BillKind::Receipt : BillKind::Payment);
        const Department& finance = Departments()[3];
        bill.m_customer = after.m_customer;
        bill.m_department = finance.name;
        bill.m_employee = Pick(rng, finance.employees);
        bill.m_account = Pick(rng, kBanks);
        bill.m_paid = CMoney::FromUnits(amount).Format2();
        bill.m_introduction = selling ? "货款回收" : "支付货款";
        open -= amount;
        return bill;
    }

private:
    std::map<std::string, int64_t> m_owed, m_owing;
};

// The printouts' heading. A company the user has named already is kept.
bool FillCompanySettings() {
    CDataStore store;
    if (!store.ConnectOther())
        return false;
    if (!store.LoadSettings().CompanyName.empty())
        return true;
    if (!store.SaveSettings({"上海恒通商贸有限公司", "021-58881234", "021-58881235", "201203",
                             "加权平均法", "上海市浦东新区张江路88号"}))
        return false;
    App().LoadApplicationSettings();
    return true;
}

// The clock shows each bill's own moment while it is made and posted, so its number, its date
// and the stock dates it writes all belong to that moment.
class CScopedMoment {
public:
    CScopedMoment() : m_previous(SetClockForTest([this] { return m_now; })) {}
    ~CScopedMoment() { SetClockForTest(std::move(m_previous)); }
    CScopedMoment(const CScopedMoment&) = delete;
    CScopedMoment& operator=(const CScopedMoment&) = delete;
    void Set(std::time_t t) { m_now = t; }

private:
    std::time_t m_now = 0;
    std::function<std::time_t()> m_previous;
};

bool Fail(const std::string& text) {
    Messages().Inform(text);
    return false;
}
} // namespace

std::string CheckDemoDataOptions(const DemoDataOptions& o) {
    auto outside = [](int value, int low, int high) { return value < low || value > high; };
    if (outside(o.goods, 0, kDemoMaxGoods))
        return "商品数量必须在 0 到 " + std::to_string(kDemoMaxGoods) + " 之间";
    if (outside(o.customers, 0, kDemoMaxCustomers))
        return "往来单位数量必须在 0 到 " + std::to_string(kDemoMaxCustomers) + " 之间";
    if (outside(o.bills, 0, kDemoMaxBills))
        return "单据数量必须在 0 到 " + std::to_string(kDemoMaxBills) + " 之间";
    if (outside(o.linesPerBill, 1, kDemoMaxLinesPerBill))
        return "每张单据的行数必须在 1 到 " + std::to_string(kDemoMaxLinesPerBill) + " 之间";
    if (o.days < 1 || o.days > 36'500)
        return "单据日期跨度必须在 1 到 36500 天之间";
    if (o.bills > 0 && o.linesPerBill > o.goods)
        return "每张单据的行数不能超过商品数量（每行一种商品）";
    if (o.bills > 0 && o.customers < 1)
        return "生成单据至少需要一个往来单位";
    // One second of working hours per bill keeps every bill number unique.
    if (static_cast<int64_t>(o.bills) > static_cast<int64_t>(o.days) * 36'000)
        return "单据太多：每天最多 36000 张";
    return {};
}

bool FillDemoData(const DemoDataOptions& options, DemoDataSummary* summary) {
    // The sample shop adds goods, classes, business units and list entries: a role that may not
    // add one of them is refused before the first is written, not half way.
    for (const char* function : {"demo_data", "goods", "classes", "customers", "lists"})
        if (!CheckRight(function, Action::Enter))
            return false;
    // Its bills go into every sample warehouse: a role limited to some is refused at once too.
    for (const char* warehouse : kWarehouses)
        if (!CheckWarehouseScope(warehouse))
            return false;
    DemoDataSummary done;
    if (summary)
        *summary = done;
    if (std::string problem = CheckDemoDataOptions(options); !problem.empty())
        return Fail(problem);

    CDataStore store;
    if (!store.ConnectMain())
        return false;
    std::vector<GoodsRecord> existing;
    if (!store.ListGoods(kAllGoods, existing))
        return false;
    if (!existing.empty())
        return Fail("当前程序文件夹中已有商品，演示数据只能填入没有商品的程序文件夹。");
    if (!FillReferenceLists())
        return Fail("写入配置文件失败：" + ConfigDocumentPlace());
    if (!FillCompanySettings())
        return false;
    // Sample data can be made again; a power cut while it is written costs nothing real.
    store.UseFastBulkWrites();

    Rng rng(options.seed);
    Catalogue cat;
    if (!store.Begin())
        return Fail("写入演示数据失败：" + store.LastError());
    std::vector<GoodsClassRecord> classes;
    if (!store.ListGoodsClasses(classes))
        return false;
    auto hasClass = [&](const std::string& name) {
        return std::any_of(classes.begin(), classes.end(),
                           [&](const GoodsClassRecord& c) { return c.class_name == name; });
    };
    for (const GoodsClass& c : GoodsClasses()) {
        for (const auto& [name, parent] : {std::pair<std::string, std::string>{c.parent, ""},
                                           std::pair<std::string, std::string>{c.name, c.parent}}) {
            if (hasClass(name))
                continue;
            if (!store.AddGoodsClass(name, parent))
                return false;
            classes.push_back({"", parent, name, ""});
        }
    }
    cat.goods.reserve(static_cast<size_t>(options.goods));
    // The level a warehouse keeps of a goods item: about a quarter of what it will sell of it
    // over the whole period (half of the bills are sales of about a quarter of the level per
    // line), so that the stock turns over and the money spent on it comes back.
    const int64_t rows = std::max<int64_t>(1, int64_t(options.goods) * int64_t(kWarehouses.size()));
    const int64_t saleLines = int64_t(options.bills) * options.linesPerBill / 2;
    const int baseLevel = static_cast<int>(std::clamp<int64_t>(saleLines / rows, 2, 200));
    for (int i = 0; i < options.goods; ++i) {
        GoodsPrices prices;
        cat.goods.push_back(MakeGoods(rng, i, prices));
        cat.prices.push_back(prices);
        const int level = std::max(2, baseLevel * Uniform(rng, 60, 140) / 100);
        cat.level.push_back(level);
        // Limits on the goods' stock over all warehouses: the lower one where the three
        // warehouses run low together, the upper one above all three full.
        GoodsRecord& g = cat.goods.back();
        g.InventoryLow = std::to_string(level * 5 / 2);
        g.InventoryHigh = std::to_string(level * 7);
        if (!store.AddGoods(g))
            return false;
    }
    for (int i = 0; i < options.customers; ++i) {
        BusinessUnitRecord u = MakeBusinessUnit(rng, i);
        if (!store.AddBusinessUnit(u))
            return false;
        (u.CustomerType == "供应商" ? cat.suppliers : cat.customers).push_back(u.CustomerName);
    }
    if (!store.Commit())
        return Fail("写入演示数据失败：" + store.LastError());
    done.goods = options.goods;
    done.customers = options.customers;
    if (summary)
        *summary = done;

    cat.stock.assign(cat.goods.size() * kWarehouses.size(), -1);
    std::vector<std::time_t> moments = BillMoments(rng, options.bills, options.days);
    CScopedMoment clock;
    CBillMaker maker(rng, cat, options.linesPerBill);
    // Payments draw from their own stream: the goods and bills of a seed do not depend on them.
    Rng payRng(options.seed + 1);
    // Receipts and payments too: later money settles part of what the bills left open.
    Rng fundRng(options.seed + 2);
    CDebtBook debts;
    size_t opening = 0;
    const size_t openingEnd = cat.goods.size() * kWarehouses.size();
    for (std::time_t moment : moments) {
        clock.Set(moment);
        const bool openingBill = opening < openingEnd;
        CBill bill = openingBill ? maker.Opening(opening) : maker.Next(options.purchasesOnly);
        std::vector<size_t> goods = maker.LastGoods();
        if (IsTradeKind(bill.Kind()))
            bill.m_paid = PaidAmount(payRng, bill);
        if (bill.SaveOn(store) != PostOutcome::Posted)
            return false;
        maker.Book(bill, goods);
        ++done.bills;
        done.lines += static_cast<int>(bill.m_lines.size());
        // Now and then a sale or purchase is found wrong at once and reversed (红冲).
        const bool reversible = bill.Kind() == BillKind::Sale || bill.Kind() == BillKind::Purchase;
        if (reversible && !openingBill && !options.purchasesOnly && Uniform(fundRng, 0, 59) == 0) {
            if (!ReverseBillOn(store, bill.Kind(), bill.m_number))
                return false;
            maker.Book(bill, goods, -1);
            ++done.reversals;
        } else {
            debts.Book(bill);
            if (auto money = debts.Settle(fundRng, bill)) {
                if (money->SaveOn(store) != PostOutcome::Posted)
                    return false;
                ++done.fundBills;
            }
        }
        if (!options.purchasesOnly) {
            if (auto count = maker.Count()) {
                CountPosted posted;
                const CountOutcome outcome = CountStockOn(store, *count, posted);
                if (outcome != CountOutcome::Posted && outcome != CountOutcome::NoDifference)
                    return false;
                maker.Book(*count);
                ++done.counts;
            }
        }
        if (summary)
            *summary = done;
        if (options.progress && done.bills % 1000 == 0)
            options.progress(done.bills);
    }
    return true;
}
