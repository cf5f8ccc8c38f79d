#pragma once

#include <QWidget>

#include <memory>

class QLabel;

namespace Ui {
class frmResources;
}

/// A window that is never shown: it only carries the command's 16 x 16 button
/// picture in Picture1. There is one per process, created on the first
/// request and kept until the application object goes away (release()).
class frmResources : public QWidget
{
    Q_OBJECT

public:
    /// The one instance, created on first use. Throws HostError when the
    /// process has no QApplication to carry a window.
    static frmResources &instance();
    /// Destroys the instance, if any (clean-up at exit).
    static void release();

    ~frmResources() override;

    /// The label that holds the button picture.
    QLabel *Picture1() const;

private:
    explicit frmResources(QWidget *parent = nullptr);

    std::unique_ptr<Ui::frmResources> ui;
};
