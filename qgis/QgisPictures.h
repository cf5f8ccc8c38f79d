#pragma once

#include "IMapPictures.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <vector>

class QgsMapLayer;
class QgsMapRendererParallelJob;
class QgsMapSettings;

namespace quarnelqgis {

class QgisSession;

/// QGIS's pictures of the project's map with some layer-tree nodes switched
/// (IMapPictures): the canvas's map settings (extent, coordinate system,
/// colours) with the layers the nodes would show, rendered at most the
/// width asked for by QGIS's own parallel renderer, whose threads draw off
/// the interface thread. Recent pictures are kept by what they show and let
/// go when a layer, its data or style, or the canvas's extent changes. Owned
/// by the host; it watches the session's project and canvas.
class QgisPictures : public QObject, public IMapPictures
{
    Q_OBJECT

public:
    explicit QgisPictures(QgisSession *session, QObject *parent = nullptr);
    /// Cancels the renderings under way and waits for them.
    ~QgisPictures() override;

    void drawFocusMap(IDocument &document, const std::vector<LayerFlag> &flags, int maxWidth, QObject *receiver,
                      Done done) override;

    /// How many pictures were rendered since construction.
    int picturesMade() const { return m_made; }
    /// The map settings of a picture of the layers `flags` leave shown, at
    /// most `maxWidth` pixels wide; no layers when there is no project.
    QgsMapSettings settingsFor(const std::vector<LayerFlag> &flags, int maxWidth) const;

private:
    struct Picture;
    void forgetAll();
    void follow(QgsMapLayer *layer);

    QPointer<QgisSession> m_session;
    /// Kept and pending pictures by what they show (their settings' extent,
    /// size, system and layers).
    QHash<QString, std::shared_ptr<Picture>> m_pictures;
    int m_made = 0;
};

} // namespace quarnelqgis
