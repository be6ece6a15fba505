#pragma once

#include "settings/ArchiveMarking.h"

#include <QDialog>
#include <memory>
#include <optional>

namespace Ui {
class Tscep;
}

namespace kest {

class Prompter;

/// "Выбор головного архива": the head for the archive selected in the archive
/// settings window. "Принять" chains the archive in KEST.INI at once and closes the
/// window; "Вернуться" and the close box change nothing.
class Tscep : public QDialog
{
    Q_OBJECT

public:
    explicit Tscep(QWidget* parent = nullptr);
    ~Tscep() override;

    /// Fills the head list for archive `number` of the marking's controller and kind,
    /// and selects the head it is chained to now. `prompter` asks the questions of
    /// "Принять".
    void prepare(const ArchiveMarking& marking, int number, Prompter& prompter);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ComboBox1Change(int index);
    void BitBtn1Click();
    /// The head chosen in ComboBox1; -1 for "нет".
    int chosenHead() const;
    void showMembers(int head);

    std::unique_ptr<Ui::Tscep> ui;
    std::optional<ArchiveMarking> m_marking;
    Prompter* m_prompter = nullptr;
    int m_number = 0;
};

} // namespace kest
