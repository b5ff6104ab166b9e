#pragma once
#include "widgets/ModalRunner.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

// Stands in for exec() while it lives: every window run through RunModal gets the next queued
// step, which fills and clicks the real widgets; the window's result is what the step left.
// Steps may queue further steps for the windows they open.
class CModalDriver {
public:
    CModalDriver();
    ~CModalDriver();
    CModalDriver(const CModalDriver&) = delete;
    CModalDriver& operator=(const CModalDriver&) = delete;

    template <class Dlg> void Then(std::function<void(Dlg&)> step) {
        m_steps.push_back([step = std::move(step)](QDialog& dlg) {
            auto* typed = dynamic_cast<Dlg*>(&dlg);
            if (!typed)
                return false;
            step(*typed);
            return true;
        });
    }
    // Windows that had no step or the wrong type, by object name; empty when all went well.
    QStringList Problems() const { return m_problems; }
    // The object names of the windows run so far, in order.
    QStringList Opened() const { return m_opened; }
    size_t Pending() const { return m_steps.size(); }

private:
    int Run(QDialog& dlg);

    std::deque<std::function<bool(QDialog&)>> m_steps;
    QStringList m_problems, m_opened;
    ModalRunner m_previous;
};
