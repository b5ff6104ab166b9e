// Printing a 1,000-line bill to PDF (read from the data, filled into its template, laid out and
// written), beside two baselines measured in the same run: filling its page alone, and the
// stock list's PDF of 1,000 rows.
#include "BenchData.h"
#include "print/PagePrint.h"
#include "query/BillPrint.h"
#include "query/TemplatePrint.h"
#include "store/CDataStore.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
constexpr int kLines = 1000;
const char* kNumber = "JH-PRINT-1";

std::vector<StockRecord> g_stockRows;

// A program folder with kLines goods and one purchase of a line of each, made once.
void PrepareFolder() {
    static bool done = false;
    if (done)
        return;
    done = true;
    EnterNewProgramFolder();
    CDataStore store;
    if (!store.ConnectMain())
        std::abort();
    std::vector<GoodsRecord> goods;
    for (int i = 0; i < kLines; ++i) {
        GoodsRecord g;
        g.Code = "G" + std::to_string(10000 + i);
        g.ProductName = "商品名称" + std::to_string(i) + "（规格 500ml×12）";
        g.ClassName = "饮料";
        g.Unit = "箱";
        g.PriceIn = std::to_string(10 + i % 90) + "." + std::to_string(10 + i % 90);
        g.BarCode = "69" + std::to_string(10000000000 + i);
        if (!store.AddGoods(g))
            std::abort();
        goods.push_back(g);
        StockRecord r;
        r.StoreHouse = "一号仓库";
        r.ProductCode = g.Code;
        r.ProductName = g.ProductName;
        r.Number = "36";
        r.Price = g.PriceIn;
        r.FirstEnterTime = "26-12-01";
        g_stockRows.push_back(r);
    }
    CBill bill = BigPurchaseBill(kNumber, goods);
    bill.GiveNumber(kNumber);
    if (bill.SaveOn(store) != PostOutcome::Posted)
        std::abort();
}

void BM_BillPdfOf1000Lines(benchmark::State& state) {
    PrepareFolder();
    for (auto _ : state) {
        const BillPrintResult page = PrepareBillPrint(BillKind::Purchase, kNumber);
        auto doc = LoadPageDocument(QString::fromStdString(page.page.string()));
        if (!doc || !WriteDocumentPdf(*doc, QStringLiteral("Temp/bill.pdf"), "进货单"))
            state.SkipWithError("no PDF");
    }
}

void BM_BillPageOf1000LinesAlone(benchmark::State& state) {
    PrepareFolder();
    for (auto _ : state) {
        if (PrepareBillPrint(BillKind::Purchase, kNumber).outcome !=
            BillPrintResult::Outcome::Written)
            state.SkipWithError("no page");
    }
}

void BM_StockListPdfOf1000Rows(benchmark::State& state) {
    PrepareFolder();
    for (auto _ : state) {
        const auto page = PrepareStockPrint("全部", "所有商品", g_stockRows);
        auto doc = page ? LoadPageDocument(QString::fromStdString(page->string())) : nullptr;
        if (!doc || !WriteDocumentPdf(*doc, QStringLiteral("Temp/stock.pdf"), "库存清单"))
            state.SkipWithError("no PDF");
    }
}
} // namespace

BENCHMARK(BM_BillPdfOf1000Lines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BillPageOf1000LinesAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StockListPdfOf1000Rows)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    const auto gui = StartPrintingGui(); // text layout needs a Gui application
    InitializeInterleaved(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
