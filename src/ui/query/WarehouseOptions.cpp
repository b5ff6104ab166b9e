#include "WarehouseOptions.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

WarehouseOptions MakeWarehouseOptions(QWidget* parent) {
    WarehouseOptions o;
    o.warehouse = new QComboBox(parent);
    o.warehouse->setMinimumContentsLength(12);
    o.box = new QGroupBox(QStringLiteral("查询选项"), parent);
    o.layout = new QHBoxLayout(o.box);
    auto* label = new QLabel(QStringLiteral("仓库："), parent);
    label->setBuddy(o.warehouse);
    o.layout->addWidget(label);
    o.layout->addWidget(o.warehouse);
    o.layout->addStretch();
    return o;
}
