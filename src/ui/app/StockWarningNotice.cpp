#include "StockWarningNotice.h"

#include "CommandRouting.h"

#include "query/StockView.h"
#include "query/StockWarnings.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

namespace {
// Opens the warnings window on a left click on the pane.
class CNoticeClick : public QObject {
public:
    explicit CNoticeClick(QLabel* pane) : QObject(pane), m_pane(pane) {
        pane->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (object != m_pane || event->type() != QEvent::MouseButtonRelease ||
            static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        OpenWindow(m_pane->window(), QStringLiteral("CChild_Kucun_YujingDlg"), QString());
        return true;
    }

private:
    QLabel* m_pane;
};
} // namespace

void ShowStockWarningNotice(QLabel* pane) {
    const int64_t below = CountBelowLowerLimit(LoadStockWarnings(kAllWarehouses));
    if (below <= 0)
        return;
    pane->setText(QString::fromStdString(StockWarningNotice(below)));
    pane->setStyleSheet("QLabel { color: #b71c1c; }");
    pane->setCursor(Qt::PointingHandCursor);
    pane->setToolTip(QStringLiteral("点击查看库存预警"));
    new CNoticeClick(pane);
}
