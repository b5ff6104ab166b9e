#pragma once

class QLabel;

// After login: when goods are below their lower stock limit, the status bar pane reads
// "库存预警：N 种商品低于下限" and a click on it opens the stock warnings window; once that
// window closes the notice is counted again, and the pane gets its own text back when nothing
// is short any more. Otherwise the pane is left as it is.
void ShowStockWarningNotice(QLabel* pane);
