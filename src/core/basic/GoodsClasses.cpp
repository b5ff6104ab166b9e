#include "GoodsClasses.h"

#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"

std::vector<GoodsClassRecord> ReadGoodsClasses() {
    std::vector<GoodsClassRecord> classes;
    CDataStore store;
    if (store.ConnectMain())
        store.ListGoodsClasses(classes);
    return classes;
}

std::vector<ClassTreeNode> CGoodsClassState::Fill() {
    return BuildClassTree(ReadGoodsClasses());
}

bool CGoodsClassState::Choose(const std::string& currentText) {
    m_selectedClass = currentText;
    return !m_selectedClass.empty();
}

std::optional<std::string> CGoodsClassState::SubClassParent() const {
    if (m_selectedClass.empty()) {
        Messages().Inform("请选中要添加小类的商品类目！");
        return std::nullopt;
    }
    if (m_selectedClass == kAllGoods)
        return std::string();
    return m_selectedClass;
}

bool CGoodsClassState::AddClass(const std::string& name, const std::string& parent) {
    CDataStore store;
    return store.ConnectMain() && store.AddGoodsClass(name, parent);
}

bool CGoodsClassState::DeleteSelected() {
    if (!CheckRight("classes", Action::Delete))
        return false;
    if (m_selectedClass.empty() || m_selectedClass == kAllGoods) {
        Messages().Inform("请选中要删除的类目！");
        return false;
    }
    if (!Messages().AskOkCancel("要删除类目“" + m_selectedClass + "”吗？"))
        return false;
    CDataStore store;
    if (store.ConnectMain())
        store.DeleteGoodsClass(m_selectedClass);
    return true;
}

bool CheckClassName(const std::string& name) {
    if (name.empty()) {
        Messages().Inform("请正确填写类名！");
        return false;
    }
    return true;
}
