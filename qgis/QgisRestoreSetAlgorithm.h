#pragma once

#include "QgisSetAlgorithm.h"

namespace quarnelqgis {

/// Restores a set on the project's layer tree as a click in the add-in's
/// window does; "Restore Exactly" hides the layers the set does not mention.
class QgisRestoreSetAlgorithm : public QgisSetAlgorithm
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
