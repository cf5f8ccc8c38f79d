#pragma once

#include "QgisSetAlgorithm.h"

namespace quarnelqgis {

/// Export Layout for Each Set as an algorithm: one file of a print layout
/// for each set named (every set of the file when none is), without
/// changing the project; see QgisLayoutExport.
class QgisExportLayoutAlgorithm : public QgisSetAlgorithm
{
public:
    QString name() const override;
    QString displayName() const override;
    QString shortHelpString() const override;
    QgsProcessingAlgorithm *createInstance() const override;
    void initAlgorithm(const QVariantMap &configuration = QVariantMap()) override;

protected:
    QVariantMap processAlgorithm(const QVariantMap &parameters, QgsProcessingContext &context,
                                 QgsProcessingFeedback *feedback) override;
};

} // namespace quarnelqgis
