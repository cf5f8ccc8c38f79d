#pragma once

#include "SetFileIdentity.h"
#include "SetLayers.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QThreadPool>

#include <memory>
#include <optional>
#include <vector>

class IDocument;
class IMapPictures;
struct QuarnelGIS_Public;

/// The pictures of the saved sets for the set list: for each set, the focus
/// map as a click on its name would show it, drawn by the host's picture
/// service (IMapPictures), at most width() pixels wide. A set's layers are
/// read from the file off the interface thread and kept until the file
/// changes; the host keeps the pictures themselves until what they show
/// changes. Nothing here waits: a picture not ready yet is asked for, and
/// ready() tells when it is. The window owns it.
class SetPictures : public QObject
{
    Q_OBJECT

public:
    explicit SetPictures(QuarnelGIS_Public &state, QObject *parent = nullptr);
    /// Waits for the readings under way.
    ~SetPictures() override;

    /// The widest a picture is, in pixels.
    static constexpr int width() { return 320; }
    /// What shows where a picture is on its way.
    static QString drawingText() { return QStringLiteral("drawing…"); }
    /// Whether the host draws pictures: without, the list shows no picture.
    bool offered() const;
    /// The picture of set `setName` now, or nothing while it is being read
    /// or drawn (ready() follows). A null image when there is nothing to
    /// show (no document or focus map).
    std::optional<QImage> picture(const QString &setName);

    /// The sets in the team's database changed: their layers are read again.
    void storeChanged();

signals:
    /// The picture of `setName` can be had from picture() now.
    void ready(const QString &setName);

private:
    std::shared_ptr<IDocument> document() const;
    /// Forgets the sets' layers when the file is not the one they were read from.
    void followFile(const QString &native);
    /// Reads the set's layers from the file at `native`, or from the team's
    /// database at `store` when there is one.
    void read(const QString &setName, const QString &native, const QString &store);

    QuarnelGIS_Public &m_state;
    std::optional<SetFileIdentity> m_file; ///< the file as the kept layers were read from it
    quint64 m_generation = 0;              ///< counts the changes of the file or the store
    QHash<QString, std::vector<SetLayers::Layer>> m_layers;
    QSet<QString> m_reading;
    /// The pictures handed over later than asked for, until picture() takes
    /// them; only the latest request for a set counts.
    QHash<QString, QImage> m_handed;
    QHash<QString, quint64> m_asked;
    quint64 m_requests = 0;
    QThreadPool m_pool;
};
