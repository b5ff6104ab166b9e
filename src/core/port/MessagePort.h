#pragma once
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Every message box and question of the program goes through this port, so that core code
// never blocks on a real dialog. The desktop program shows them with message boxes, ferix-cli
// prints them, tests record them.
class IMessagePort {
public:
    virtual ~IMessagePort() = default;
    virtual void Inform(const std::string& text) = 0;
    // Yes → true, No → false.
    virtual bool AskYesNo(const std::string& text) = 0;
    // OK → true, Cancel → false.
    virtual bool AskOkCancel(const std::string& text) = 0;
    // A secret text (a password, a connection string holding one), never shown as it is typed;
    // nothing when the user cancels or the port has no way to ask.
    virtual std::optional<std::string> AskSecret(const std::string& text) {
        (void)text;
        return std::nullopt;
    }
};

// The port in use; a silent one until the program installs its own.
IMessagePort& Messages();
// Installs a port (not owned); nullptr restores the silent one. Returns the previous port.
IMessagePort* SetMessagePort(IMessagePort* port);

// Keeps back the texts told on this thread while it lives (questions still go through at once,
// after the texts kept before them): an attempt that will be run again says nothing, the last
// one says what it has to say. Holds nest; each thread has its own.
class CHeldMessages : public IMessagePort {
public:
    CHeldMessages();
    ~CHeldMessages() override; // drops what was not released
    CHeldMessages(const CHeldMessages&) = delete;
    CHeldMessages& operator=(const CHeldMessages&) = delete;

    void Inform(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    bool AskOkCancel(const std::string& text) override;
    std::optional<std::string> AskSecret(const std::string& text) override;
    // Tells the kept texts, in order, to the port below; Drop forgets them.
    void Release();
    void Drop() { m_texts.clear(); }
    // The kept texts handed over, to be told on another thread (a port is one thread's).
    std::vector<std::string> Take() { return std::exchange(m_texts, {}); }

private:
    CHeldMessages* m_outer;
    std::vector<std::string> m_texts;
};

// Records every text and replays prepared answers (default answer when none is queued).
class CScriptedMessagePort : public IMessagePort {
public:
    struct Entry {
        enum Kind { Info, YesNo, OkCancel, Secret } kind;
        std::string text;
    };

    void Inform(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    bool AskOkCancel(const std::string& text) override;
    // The next queued secret; nothing (a cancel) when none is queued.
    std::optional<std::string> AskSecret(const std::string& text) override;

    void QueueAnswer(bool answer) { m_answers.push_back(answer); }
    void QueueSecret(std::string secret) { m_secrets.push_back(std::move(secret)); }
    void SetDefaultAnswer(bool answer) { m_defaultAnswer = answer; }
    std::vector<std::string> Texts() const;
    const std::vector<Entry>& Entries() const { return m_entries; }
    void Clear() { m_entries.clear(); }

private:
    bool Answer();
    std::vector<Entry> m_entries;
    std::deque<bool> m_answers;
    std::deque<std::string> m_secrets;
    bool m_defaultAnswer = true;
};

// Installs a scripted port for the lifetime of the object (tests).
class CScopedScriptedPort : public CScriptedMessagePort {
public:
    CScopedScriptedPort() : m_previous(SetMessagePort(this)) {}
    ~CScopedScriptedPort() override { SetMessagePort(m_previous); }
    CScopedScriptedPort(const CScopedScriptedPort&) = delete;
    CScopedScriptedPort& operator=(const CScopedScriptedPort&) = delete;

private:
    IMessagePort* m_previous;
};
