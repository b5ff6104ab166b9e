#include "StockWarningNotice.h"

#include "CommandRouting.h"

#include "query/StockView.h"
#include "query/StockWarnings.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

CStockWarningNotice::CStockWarningNotice(QLabel* pane)
    : QObject(pane), m_pane(pane), m_ownText(pane->text()) {
    pane->installEventFilter(this);
}

void CStockWarningNotice::Refresh() {
    Show(CountBelowLowerLimit(LoadStockWarnings(kAllWarehouses, false)));
}

void CStockWarningNotice::Show(int64_t below) {
    m_showing = below > 0;
    m_pane->setText(m_showing ? QString::fromStdString(StockWarningNotice(below)) : m_ownText);
    m_pane->setStyleSheet(m_showing ? QStringLiteral("QLabel { color: #b71c1c; }") : QString());
    m_pane->setToolTip(m_showing ? QStringLiteral("点击查看库存预警") : QString());
    if (m_showing)
        m_pane->setCursor(Qt::PointingHandCursor);
    else
        m_pane->unsetCursor();
}

bool CStockWarningNotice::eventFilter(QObject* object, QEvent* event) {
    if (!m_showing || object != m_pane || event->type() != QEvent::MouseButtonRelease ||
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    OpenWindow(m_pane->window(), QStringLiteral("CChild_Kucun_YujingDlg"), QString());
    Refresh(); // stock may have come in meanwhile
    return true;
}
