#pragma once

#include <QPointer>
#include <QWidget>
#include <initializer_list>
#include <utility>
#include <vector>

namespace kest {

/// An export pumps events for its progress bar, so the window's controls would take
/// clicks meanwhile: another blank chosen halfway would mix two reports in one sheet.
/// The lock disables the controls that could change the tables and gives each back
/// its former state when it goes; `active()` tells the window not to close.
class ExportLock
{
public:
    ExportLock(bool& active, std::initializer_list<QWidget*> controls) : m_active(active)
    {
        m_active = true;
        for (QWidget* w : controls) {
            m_controls.emplace_back(w, w->isEnabled());
            w->setEnabled(false);
        }
    }
    ~ExportLock()
    {
        for (auto& [w, enabled] : m_controls) {
            if (w)
                w->setEnabled(enabled);
        }
        m_active = false;
    }
    ExportLock(const ExportLock&) = delete;
    ExportLock& operator=(const ExportLock&) = delete;

private:
    bool& m_active;
    std::vector<std::pair<QPointer<QWidget>, bool>> m_controls;
};

} // namespace kest
