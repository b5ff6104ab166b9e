#pragma once
#include <QObject>
#include <QString>

#include <cstdint>

class QLabel;

// After login: when goods are below their lower stock limit, the status bar pane reads
// "库存预警：N 种商品低于下限" and a click on it opens the stock warnings window; once that
// window closes the notice is counted again, and the pane gets its own text back when nothing
// is short any more. Otherwise the pane is left as it is.
class CStockWarningNotice : public QObject {
public:
    explicit CStockWarningNotice(QLabel* pane);
    // Counts the goods below their lower limit and shows the count.
    void Refresh();
    // Shows a count already read (the home page's), so the warnings are not read twice.
    void Show(int64_t below);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    QLabel* m_pane;
    QString m_ownText;
    bool m_showing = false;
};
