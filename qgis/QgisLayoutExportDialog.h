#pragma once

#include "QgisLayoutExport.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class QgisLayoutExportDialog;
}
class QPushButton;

namespace quarnelqgis {

class QgisSetSource;

/// The window of Export Layout for Each Set: which print layout, which sets
/// (those selected in the add-in's list ticked at first), which format and
/// folder; a progress bar with Cancel while it runs, and what came of it at
/// the end. The work is QgisLayoutExport's. Borrows the set source.
class QgisLayoutExportDialog : public QDialog
{
    Q_OBJECT

public:
    QgisLayoutExportDialog(QgisSetSource &sets, const QStringList &selected, QWidget *parent = nullptr);
    ~QgisLayoutExportDialog() override;

    /// What the Export button asks the engine for, as the controls stand.
    QgisLayoutExport::Request request() const;

    /// Asked once about the files that exist; by default a box with Yes
    /// (replace), No (keep them) and Cancel.
    std::function<QgisLayoutExport::Existing(const QStringList &)> askExisting;
    /// Told what the export came to; by default a box.
    std::function<void(const QString &)> tell;

    /// Runs the export as the controls stand.
    void exportNow();

private:
    void updateButtons();
    void browse();

    std::unique_ptr<Ui::QgisLayoutExportDialog> m_ui;
    QgisSetSource &m_sets;
    QPushButton *m_export = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_running = false;
    bool m_cancelled = false;
};

} // namespace quarnelqgis
