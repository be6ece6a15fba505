#pragma once

#include "exchange/ControllerList.h"
#include "settings/ArchiveSettingsFile.h"

#include <QDialog>
#include <memory>

namespace Ui {
class Tvibor;
}

namespace kest {

class DesktopSession;
class ArchiveMarking;
class Tscep;

/// "Настройки архивов": the registrar's records with their controllers' names and
/// settlement values (the list view), and per controller and archive kind the marks
/// of KEST.INI (the archive views). Marks are written at once; the settlement values
/// go to the controller tables when the window closes.
class Tvibor : public QDialog
{
    Q_OBJECT

public:
    Tvibor(DesktopSession& session, QWidget* parent = nullptr);
    ~Tvibor() override;

    /// Clears the link-failure mark and shows the list view, reading every record's
    /// time from the registrar. False when a record time could not be read: the
    /// window is then not to be opened.
    bool buildList();

protected:
    void done(int result) override;

private:
    void showListView();
    /// Leaves an archive view: the current controller's section goes when no mark
    /// is left in it.
    void leaveArchiveView();
    void rebuildList();
    void fillRow(int row, const ControllerListRow& shown);
    void showArchiveView(MarkKind kind);
    void paintArchiveGrid();
    void showLegend(bool archiveView);
    void merangridRowClick(int row);
    void settlementEdit();
    void nameEdit(int row, int column);
    void myonClick();
    void myoffClick();
    void Button2Click();
    /// The archive number of the selected cell of `myarh`; -1 for an empty cell.
    int selectedArchive() const;
    ArchiveMarking currentMarking() const;
    std::string currentSection() const;
    std::filesystem::path settingsFile() const;
    void reportFileError(const std::string& error);

    std::unique_ptr<Ui::Tvibor> ui;
    DesktopSession& m_session;
    Tscep* m_scep; ///< the head choice window, a child of this one
    ControllerList m_list;
    MarkKind m_kind = MarkKind::Hourly;
    bool m_archiveView = false;
    /// The list row last clicked, from 1; 0 while the list is empty.
    int m_current = 0;
    bool m_linkFailed = false;
    /// The list was built since the window was opened: later rebuilds keep the
    /// settlement values edited meanwhile.
    bool m_listBuilt = false;
    bool m_filling = false;
};

} // namespace kest
