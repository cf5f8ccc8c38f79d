#pragma once

#include <QWidget>

#include <memory>

class QLabel;

namespace Ui {
class frmResources;
}

/// A window that is never shown: it only carries the command's 16 x 16 button
/// picture in Picture1. The command object owns it, from its first request
/// for the picture.
class frmResources : public QWidget
{
    Q_OBJECT

public:
    explicit frmResources(QWidget *parent = nullptr);
    ~frmResources() override;

    /// The label that holds the button picture.
    QLabel *Picture1() const;

private:
    std::unique_ptr<Ui::frmResources> ui;
};
