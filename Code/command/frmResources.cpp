#include "frmResources.h"

#include "ui_frmResources.h"

#include "HostError.h"
#include "QuarnelGISModule.h"
#include "QuarnelGISResources.h"

#include <QApplication>

namespace {
std::unique_ptr<frmResources> &theInstance()
{
    static std::unique_ptr<frmResources> window;
    return window;
}
} // namespace

frmResources::frmResources(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::frmResources>())
{
    initQuarnelResources();
    ui->setupUi(this);
}

frmResources::~frmResources() = default;

frmResources &frmResources::instance()
{
    std::unique_ptr<frmResources> &window = theInstance();
    if (!window) {
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("No application to carry a window"));
        QuarnelGISModule::ensureCleanUpAtExit();
        window.reset(new frmResources);
    }
    return *window;
}

void frmResources::release()
{
    theInstance().reset();
}

QLabel *frmResources::Picture1() const
{
    return ui->Picture1;
}
