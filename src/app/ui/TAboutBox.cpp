#include "app/ui/TAboutBox.h"

#include "app/ui/ProgramIcon.h"
#include "ui_TAboutBox.h"

namespace kest {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TAboutBox>())
{
    ui->setupUi(this);
    ui->ProgramIcon->setPixmap(programPixmap(64));
    setWindowIcon(programIcon());
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

TAboutBox::~TAboutBox() = default;

} // namespace kest
