#pragma once

#include "QgisSetAlgorithm.h"

namespace quarnelqgis {

/// Saves the project's visibility now as a set, as the add-in's Save does
/// (appended to a set of that name); Replace puts the new records in place
/// of a set's old ones.
class QgisSaveSetAlgorithm : public QgisSetAlgorithm
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
