#pragma once

#include <qgsprocessingalgorithm.h>

namespace quarnelqgis {

class QgisProcessingProvider;

/// What the QuarnelVisibility algorithms share: their group, that they run
/// in the main thread (they read or change the project's layer tree), and the
/// provider that gives them the set file and the add-in's document.
class QgisSetAlgorithm : public QgsProcessingAlgorithm
{
public:
    QString group() const override;
    QString groupId() const override;
    Flags flags() const override;

protected:
    /// The provider of this algorithm; throws QgsProcessingException when
    /// the algorithm runs without it.
    const QgisProcessingProvider &quarnelProvider() const;
    /// The project of the run; throws QgsProcessingException without one.
    static QgsProject *projectOf(QgsProcessingContext &context);
};

} // namespace quarnelqgis
