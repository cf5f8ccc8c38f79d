#pragma once

#include <qgsprocessingprovider.h>

#include <functional>
#include <memory>

class HostServices;
class IDocument;
class QgsProject;
struct QuarnelGIS_Public;

namespace quarnelqgis {

class QgisHost;
class QgisSetSource;

/// The Processing provider "QuarnelVisibility": restore a set, save the
/// current visibility as a set, and export a layout for each set, for the
/// Processing Toolbox, models, batch runs and the command line. The
/// algorithms work on the project of their run, reading and writing the set
/// file the add-in uses (through the host's drive table). Borrows the host,
/// which must outlive the provider (QGIS's registry owns the provider; the
/// plugin removes it before the host goes).
class QgisProcessingProvider : public QgsProcessingProvider
{
    Q_OBJECT

public:
    explicit QgisProcessingProvider(QgisHost &host, QObject *parent = nullptr);
    ~QgisProcessingProvider() override;

    QString id() const override;
    QString name() const override;
    QIcon icon() const override;
    bool supportsNonFileBasedOutput() const override { return false; }

    /// The set file against `project`.
    std::unique_ptr<QgisSetSource> setsFor(QgsProject *project) const;
    /// Runs `work` on the add-in's document of `project`, then redraws as a
    /// click in the add-in's window does: through the host when the project
    /// is the one QGIS shows (so that the Layers panel and the canvas follow),
    /// otherwise through a session of its own.
    void withDocument(QgsProject *project, const std::function<void(QuarnelGIS_Public &state)> &work) const;

protected:
    void loadAlgorithms() override;

private:
    QgisHost &m_host;
};

} // namespace quarnelqgis
