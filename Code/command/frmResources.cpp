#include "frmResources.h"

#include "ui_frmResources.h"

#include "QuarnelGISResources.h"

frmResources::frmResources(QWidget *parent) : QWidget(parent), ui(std::make_unique<Ui::frmResources>())
{
    initQuarnelResources();
    ui->setupUi(this);
}

frmResources::~frmResources() = default;

QLabel *frmResources::Picture1() const
{
    return ui->Picture1;
}
