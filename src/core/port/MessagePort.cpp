#include "MessagePort.h"

namespace {
class CSilentPort : public IMessagePort {
public:
    void Inform(const std::string&) override {}
    bool AskYesNo(const std::string&) override { return false; }
    bool AskOkCancel(const std::string&) override { return false; }
};
CSilentPort g_silent;
IMessagePort* g_port = &g_silent;
thread_local CHeldMessages* t_held = nullptr;
} // namespace

IMessagePort& Messages() {
    if (t_held)
        return *t_held;
    return *g_port;
}

CHeldMessages::CHeldMessages() : m_outer(t_held) {
    t_held = this;
}

CHeldMessages::~CHeldMessages() {
    t_held = m_outer;
}

void CHeldMessages::Inform(const std::string& text) {
    m_texts.push_back(text);
}

void CHeldMessages::Release() {
    IMessagePort& below = m_outer ? *m_outer : *g_port;
    for (const auto& text : m_texts)
        below.Inform(text);
    m_texts.clear();
}

bool CHeldMessages::AskYesNo(const std::string& text) {
    Release();
    return (m_outer ? *m_outer : *g_port).AskYesNo(text);
}

bool CHeldMessages::AskOkCancel(const std::string& text) {
    Release();
    return (m_outer ? *m_outer : *g_port).AskOkCancel(text);
}

std::optional<std::string> CHeldMessages::AskSecret(const std::string& text) {
    Release();
    return (m_outer ? *m_outer : *g_port).AskSecret(text);
}

IMessagePort* SetMessagePort(IMessagePort* port) {
    IMessagePort* previous = g_port == &g_silent ? nullptr : g_port;
    g_port = port ? port : &g_silent;
    return previous;
}

void CScriptedMessagePort::Inform(const std::string& text) {
    m_entries.push_back({Entry::Info, text});
}

bool CScriptedMessagePort::AskYesNo(const std::string& text) {
    m_entries.push_back({Entry::YesNo, text});
    return Answer();
}

bool CScriptedMessagePort::AskOkCancel(const std::string& text) {
    m_entries.push_back({Entry::OkCancel, text});
    return Answer();
}

std::optional<std::string> CScriptedMessagePort::AskSecret(const std::string& text) {
    m_entries.push_back({Entry::Secret, text});
    if (m_secrets.empty())
        return std::nullopt;
    std::string secret = std::move(m_secrets.front());
    m_secrets.pop_front();
    return secret;
}

std::vector<std::string> CScriptedMessagePort::Texts() const {
    std::vector<std::string> texts;
    for (const auto& e : m_entries)
        texts.push_back(e.text);
    return texts;
}

bool CScriptedMessagePort::Answer() {
    if (m_answers.empty())
        return m_defaultAnswer;
    bool a = m_answers.front();
    m_answers.pop_front();
    return a;
}
