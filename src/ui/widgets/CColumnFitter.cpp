#include "CColumnFitter.h"

#include "port/ProgramFolder.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QHelpEvent>
#include <QSettings>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QToolTip>
#include <QTreeView>

#include <algorithm>
#include <set>

namespace {
// Rows measured from the top and from the bottom (where a total row stands) of a list, and
// from the first row shown: enough to see every width a column holds without reading them all.
constexpr int kTopRows = 100;
constexpr int kBottomRows = 3;
constexpr int kShownRows = 60;

bool IsAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

QStyleOptionViewItem ItemOption(const QAbstractItemView* view) {
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.font = view->font();
    option.fontMetrics = view->fontMetrics();
    option.decorationSize = view->iconSize();
    return option;
}

int NeededWidth(const QAbstractItemView* view, const QModelIndex& index) {
    return view->itemDelegateForIndex(index)->sizeHint(ItemOption(view), index).width();
}
} // namespace

CColumnFitter::CColumnFitter(QAbstractItemView* view) : QObject(view), m_view(view) {
    setObjectName(QStringLiteral("CColumnFitter"));
    QHeaderView* header = Header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    connect(header, &QHeaderView::sectionResized, this, &CColumnFitter::OnSectionResized);
    header->viewport()->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    QAbstractItemModel* model = view->model();
    connect(model, &QAbstractItemModel::modelReset, this, &CColumnFitter::ScheduleFit);
    connect(model, &QAbstractItemModel::rowsInserted, this, &CColumnFitter::ScheduleFit);
    connect(model, &QAbstractItemModel::columnsInserted, this, &CColumnFitter::ScheduleFit);
    connect(model, &QAbstractItemModel::layoutChanged, this, &CColumnFitter::ScheduleFit);
    connect(model, &QAbstractItemModel::dataChanged, this, &CColumnFitter::ScheduleFit);
    connect(model, &QAbstractItemModel::headerDataChanged, this, &CColumnFitter::ScheduleFit);
}

CColumnFitter* CColumnFitter::Attach(QAbstractItemView* view) {
    if (CColumnFitter* fitter = Of(view))
        return fitter;
    auto* fitter = new CColumnFitter(view);
    fitter->ScheduleFit();
    return fitter;
}

CColumnFitter* CColumnFitter::Of(const QAbstractItemView* view) {
    return view->findChild<CColumnFitter*>(QStringLiteral("CColumnFitter"),
                                           Qt::FindDirectChildrenOnly);
}

QString CColumnFitter::WidthsFile() {
    return QString::fromStdString((ProgramFolder() / "ColumnWidths.ini").string());
}

int CColumnFitter::NameLimit() const {
    if (m_nameLimit >= 0)
        return m_nameLimit;
    return m_view->fontMetrics().horizontalAdvance(QString(16, QChar(0x4E2D))) + 16;
}

QHeaderView* CColumnFitter::Header() const {
    if (auto* table = qobject_cast<QTableView*>(m_view))
        return table->horizontalHeader();
    return qobject_cast<QTreeView*>(m_view)->header();
}

QString CColumnFitter::HeaderText(int column) const {
    QString text = m_view->model()->headerData(column, Qt::Horizontal).toString();
    return text.isEmpty() ? QString::number(column) : text;
}

// The window's class and which of its fitted lists this is, so each list of each window keeps
// its own widths.
QString CColumnFitter::WindowKey() const {
    QWidget* window = m_view->window();
    QString key = QString::fromLatin1(window->metaObject()->className());
    int number = 0;
    for (QAbstractItemView* other : window->findChildren<QAbstractItemView*>()) {
        if (other == m_view)
            break;
        if (Of(other))
            ++number;
    }
    return key + QLatin1Char('.') + QString::number(number);
}

int CColumnFitter::ContentWidth(int column) const {
    QAbstractItemModel* model = m_view->model();
    const int rows = model->rowCount();
    std::set<int> sample;
    for (int r = 0; r < std::min(rows, kTopRows); ++r)
        sample.insert(r);
    for (int r = std::max(0, rows - kBottomRows); r < rows; ++r)
        sample.insert(r);
    const int shown = m_view->indexAt(QPoint(1, 1)).row();
    for (int r = std::max(0, shown); r < std::min(rows, shown + kShownRows); ++r)
        sample.insert(r);

    int widest = 0;
    bool names = false;
    for (int r : sample) {
        QModelIndex index = model->index(r, column);
        widest = std::max(widest, NeededWidth(m_view, index));
        if (!names && !IsAscii(index.data().toString()))
            names = true;
    }
    if (auto* tree = qobject_cast<QTreeView*>(m_view);
        tree && tree->rootIsDecorated() && column == tree->treePosition())
        widest += tree->indentation();
    if (names && NameLimit() > 0)
        widest = std::min(widest, NameLimit());
    return std::max(widest, Header()->sectionSizeHint(column));
}

void CColumnFitter::ScheduleFit() {
    if (m_pending)
        return;
    m_pending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_pending = false;
            Fit();
        },
        Qt::QueuedConnection);
}

void CColumnFitter::Fit() {
    if (!m_view->model())
        return;
    if (m_key.isEmpty()) {
        m_key = WindowKey();
        LoadUserWidths();
    }
    QHeaderView* header = Header();
    for (int c = 0; c < m_view->model()->columnCount(); ++c) {
        if (header->isSectionHidden(c))
            continue;
        const QString text = HeaderText(c);
        if (!m_startWidths.count(text))
            m_startWidths[text] = header->sectionSize(c);
        m_fitWidths[text] = ContentWidth(c);
    }
    Layout();
}

void CColumnFitter::Layout() {
    if (!m_view->model() || m_key.isEmpty())
        return;
    QHeaderView* header = Header();
    std::vector<std::pair<int, int>> widths; // column, width
    std::vector<size_t> growing;             // the columns whose width is not the user's
    int total = 0;
    int growingTotal = 0;
    for (int c = 0; c < m_view->model()->columnCount(); ++c) {
        if (header->isSectionHidden(c))
            continue;
        const QString text = HeaderText(c);
        int width = 0;
        if (auto user = m_userWidths.find(text); user != m_userWidths.end()) {
            width = user->second;
        } else {
            width = std::max(m_startWidths[text], m_fitWidths[text]);
            growing.push_back(widths.size());
            growingTotal += width;
        }
        widths.emplace_back(c, width);
        total += width;
    }
    if (widths.empty())
        return;
    // Width to spare goes to the columns the user has not set, each by its share, the last
    // taking what rounding leaves; a width the user set stays as it is.
    const int spare = m_view->viewport()->width() - total;
    if (spare > 0 && growingTotal > 0) {
        int given = 0;
        for (size_t i = 0; i + 1 < growing.size(); ++i) {
            auto& width = widths[growing[i]].second;
            int more = static_cast<int>(static_cast<long long>(spare) * width / growingTotal);
            width += more;
            given += more;
        }
        widths[growing.back()].second += spare - given;
    }
    m_applying = true;
    for (auto [column, width] : widths)
        header->resizeSection(column, width);
    m_applying = false;
}

void CColumnFitter::OnSectionResized(int column, int, int newSize) {
    if (m_applying || newSize <= 0 || !m_view->model())
        return;
    const QString text = HeaderText(column);
    if (!m_userGesture) {
        // The window set a starting width of its own.
        m_startWidths[text] = newSize;
        ScheduleFit();
        return;
    }
    m_userWidths[text] = newSize;
    if (m_key.isEmpty())
        m_key = WindowKey();
    QSettings file(WidthsFile(), QSettings::IniFormat);
    file.beginGroup(m_key);
    file.setValue(text, newSize);
    file.endGroup();
    file.sync();
}

void CColumnFitter::LoadUserWidths() {
    QSettings file(WidthsFile(), QSettings::IniFormat);
    file.beginGroup(m_key);
    for (const QString& text : file.childKeys()) {
        bool ok = false;
        int width = file.value(text).toInt(&ok);
        if (ok && width > 0)
            m_userWidths[text] = width;
    }
}

bool CColumnFitter::eventFilter(QObject* watched, QEvent* event) {
    // A view being destroyed still sends events from its QWidget part, when it is no item
    // view any more.
    if (!qobject_cast<QAbstractItemView*>(m_view))
        return false;
    if (watched == Header()->viewport()) {
        // Only widths the user drags (or double-clicks) on the header are the user's.
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick)
            m_userGesture = true;
        else if (event->type() == QEvent::MouseButtonRelease)
            m_userGesture = false;
        return false;
    }
    if (watched != m_view->viewport())
        return false;
    if (event->type() == QEvent::Resize) {
        Layout();
        return false;
    }
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QModelIndex index = m_view->indexAt(help->pos());
        if (!index.isValid() || !index.data(Qt::ToolTipRole).toString().isEmpty())
            return false;
        const QRect rect = m_view->visualRect(index);
        if (NeededWidth(m_view, index) > rect.width()) {
            QToolTip::showText(help->globalPos(), index.data().toString(), m_view->viewport(),
                               rect);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return false;
}
