#pragma once

#include <QDialog>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <vector>

class QTreeWidget;

namespace Ui {
class IdentifyWindow;
}

namespace mapdesk {

/// The features found by Identify: under each layer's name, each feature
/// with its attributes, field by field. Not modal; it stays open and shows
/// each new identification in place of the last.
class IdentifyWindow : public QDialog
{
    Q_OBJECT

public:
    struct Found
    {
        QString layer;
        QVariantMap attributes;
    };

    explicit IdentifyWindow(QWidget *parent = nullptr);
    ~IdentifyWindow() override;

    /// Shows `found` (top layer first); an empty list says nothing is there.
    void showFound(const std::vector<Found> &found);
    QTreeWidget *results() const;

private:
    std::unique_ptr<Ui::IdentifyWindow> ui;
};

} // namespace mapdesk
