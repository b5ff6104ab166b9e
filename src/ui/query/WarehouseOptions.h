#pragma once

class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QWidget;

// The "查询选项" box of the stock windows: "仓库：" and its drop-down list, then room for more.
struct WarehouseOptions {
    QGroupBox* box;
    QHBoxLayout* layout;
    QComboBox* warehouse;
};
WarehouseOptions MakeWarehouseOptions(QWidget* parent);
