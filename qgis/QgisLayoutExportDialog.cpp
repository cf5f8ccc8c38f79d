#include "QgisLayoutExportDialog.h"

#include "HostError.h"
#include "QgisSetSource.h"
#include "ui_QgisLayoutExportDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace quarnelqgis {

namespace {
const QString kTitle = QStringLiteral("QuarnelVisibility");

void showBox(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
} // namespace

QgisLayoutExportDialog::QgisLayoutExportDialog(QgisSetSource &sets, const QStringList &selected, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::QgisLayoutExportDialog>()), m_sets(sets)
{
    m_ui->setupUi(this);
    m_export = m_ui->buttons->addButton(QStringLiteral("&Export"), QDialogButtonBox::AcceptRole);
    m_cancel = m_ui->buttons->addButton(QDialogButtonBox::Cancel);
    m_cancel->setEnabled(false);
    m_ui->layoutCombo->addItems(QgisLayoutExport::layoutNames(sets.project()));
    m_ui->folderEdit->setText(QDir::homePath());

    QStringList names;
    try {
        names = m_sets.names();
    } catch (const HostError &error) {
        m_ui->setsLabel->setText(QStringLiteral("The sets cannot be read: %1").arg(error.description()));
    }
    for (const QString &name : names) {
        auto *item = new QListWidgetItem(name, m_ui->setList);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(selected.contains(name) ? Qt::Checked : Qt::Unchecked);
    }

    askExisting = [this](const QStringList &existing) {
        QMessageBox box(QMessageBox::NoIcon, kTitle,
                        QStringLiteral("%1 of the files exist already, such as \"%2\". Replace them?\n"
                                       "Yes replaces them all, No keeps them and exports the other sets.")
                            .arg(existing.size())
                            .arg(QDir::toNativeSeparators(existing.first())),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
        box.setTextFormat(Qt::PlainText);
        const int answer = box.exec();
        return answer == QMessageBox::Yes  ? QgisLayoutExport::Existing::Replace
               : answer == QMessageBox::No ? QgisLayoutExport::Existing::Skip
                                           : QgisLayoutExport::Existing::Cancel;
    };
    tell = [this](const QString &text) { showBox(this, text); };

    connect(m_export, &QPushButton::clicked, this, &QgisLayoutExportDialog::exportNow);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    connect(m_ui->buttons, &QDialogButtonBox::rejected, this, [this] {
        if (!m_running)
            reject();
    });
    connect(m_ui->browseButton, &QPushButton::clicked, this, &QgisLayoutExportDialog::browse);
    connect(m_ui->setList, &QListWidget::itemChanged, this, &QgisLayoutExportDialog::updateButtons);
    connect(m_ui->folderEdit, &QLineEdit::textChanged, this, &QgisLayoutExportDialog::updateButtons);
    updateButtons();
}

QgisLayoutExportDialog::~QgisLayoutExportDialog() = default;

QgisLayoutExport::Request QgisLayoutExportDialog::request() const
{
    QgisLayoutExport::Request request;
    request.layout = m_ui->layoutCombo->currentText();
    for (int i = 0; i < m_ui->setList->count(); ++i)
        if (m_ui->setList->item(i)->checkState() == Qt::Checked)
            request.sets << m_ui->setList->item(i)->text();
    const QgisLayoutExport::Format formats[] = {QgisLayoutExport::Format::Pdf, QgisLayoutExport::Format::Png,
                                                QgisLayoutExport::Format::Svg};
    request.format = formats[qBound(0, m_ui->formatCombo->currentIndex(), 2)];
    request.folder = m_ui->folderEdit->text().trimmed();
    request.restore = m_ui->exactlyCheck->isChecked() ? SetStore::Restore::Exactly : SetStore::Restore::AsSaved;
    return request;
}

void QgisLayoutExportDialog::updateButtons()
{
    const QgisLayoutExport::Request wanted = request();
    m_export->setEnabled(!m_running && !wanted.layout.isEmpty() && !wanted.sets.isEmpty() && !wanted.folder.isEmpty());
    m_cancel->setEnabled(m_running);
    m_ui->buttons->button(QDialogButtonBox::Close)->setEnabled(!m_running);
}

void QgisLayoutExportDialog::browse()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Export Layout for Each Set"), m_ui->folderEdit->text());
    if (!folder.isEmpty())
        m_ui->folderEdit->setText(QDir::toNativeSeparators(folder));
}

void QgisLayoutExportDialog::exportNow()
{
    const QgisLayoutExport::Request wanted = request();
    QgisLayoutExport exporter(m_sets);
    exporter.askExisting = askExisting;
    exporter.progress = [this](int done, int total, const QString &) {
        m_ui->progressBar->setMaximum(total);
        m_ui->progressBar->setValue(done);
        // Cancel is heard between two sets.
        QCoreApplication::processEvents();
        return !m_cancelled;
    };
    m_running = true;
    m_cancelled = false;
    updateButtons();
    const QgisLayoutExport::Outcome outcome = exporter.run(wanted);
    m_running = false;
    updateButtons();
    if (tell)
        tell(outcome.summary());
}

} // namespace quarnelqgis
