#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TAboutBox;
}

namespace kest {

/// "О программе": the program's name, purpose and version; OK closes it.
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);
    ~TAboutBox() override;

private:
    std::unique_ptr<Ui::TAboutBox> ui;
};

} // namespace kest
