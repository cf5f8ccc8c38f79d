#include "SetPictures.h"

#include "CurrentDocument.h"
#include "HostServices.h"
#include "IApplication.h"
#include "IMapPictures.h"
#include "QuarnelGIS_Public.h"
#include "SetDatabase.h"
#include "SetFileEdits.h"
#include "SetFileRewrite.h"
#include "SetPictureFlags.h"

SetPictures::SetPictures(QuarnelGIS_Public &state, QObject *parent) : QObject(parent), m_state(state)
{
    m_pool.setMaxThreadCount(1);
}

SetPictures::~SetPictures()
{
    // The readings run this library's code: none may outlive the window.
    m_pool.clear();
    m_pool.waitForDone();
}

bool SetPictures::offered() const
{
    return m_state.services.pictures() != nullptr;
}

std::shared_ptr<IDocument> SetPictures::document() const
{
    // The document shown now, as the marks judge against it.
    return shownDocument(m_state);
}

void SetPictures::followFile(const QString &native)
{
    const std::optional<SetFileIdentity> now = SetFileIdentity::of(native);
    if (now != m_file) {
        m_file = now;
        storeChanged();
    }
}

void SetPictures::storeChanged()
{
    ++m_generation;
    m_layers.clear();
}

std::optional<QImage> SetPictures::picture(const QString &setName)
{
    const std::shared_ptr<IMapPictures> service = m_state.services.pictures();
    std::shared_ptr<IDocument> shown;
    QString native;
    const QString store = m_state.setDatabase ? m_state.setDatabase->connectionText() : QString();
    try {
        shown = document();
        if (store.isEmpty())
            native = SetFileRewrite(m_state.services, m_state.setFilePath).nativePath();
    } catch (...) {
        shown.reset();
    }
    if (!service || !shown)
        return QImage();
    if (store.isEmpty())
        followFile(native);
    if (const auto handed = m_handed.find(setName); handed != m_handed.end()) {
        const QImage image = *handed;
        m_handed.erase(handed);
        return image;
    }
    const auto layers = m_layers.constFind(setName);
    if (layers == m_layers.constEnd()) {
        read(setName, native, store);
        return std::nullopt;
    }
    // Handed over at once when the host has it; else ready() follows.
    auto handed = std::make_shared<std::optional<QImage>>();
    auto asked = std::make_shared<bool>(true);
    const quint64 request = ++m_requests;
    m_asked.insert(setName, request);
    try {
        service->drawFocusMap(*shown, pictureFlags(*shown, *layers), width(), this,
                              [this, setName, handed, asked, request](const QImage &image) {
                                  if (*asked) {
                                      *handed = image;
                                  } else if (m_asked.value(setName) == request) {
                                      m_handed.insert(setName, image);
                                      emit ready(setName);
                                  }
                              });
    } catch (...) {
        // A document that cannot be walked shows no picture.
        return QImage();
    }
    *asked = false;
    return *handed;
}

void SetPictures::read(const QString &setName, const QString &native, const QString &store)
{
    if (m_reading.contains(setName))
        return;
    m_reading.insert(setName);
    const quint64 from = m_generation;
    m_pool.start([this, setName, native, store, from] {
        std::vector<SetLayers::Layer> layers;
        try {
            layers = store.isEmpty() ? SetFileEdits::layerFlags(SetFileRewrite::readMeasured(native), setName)
                                     : SetDatabase(store).layerFlags(setName);
        } catch (...) {
            // A file that cannot be read shows the map as it is.
        }
        // Queued to this object, which waits for this thread when it goes.
        QMetaObject::invokeMethod(
            this,
            [this, setName, from, layers = std::move(layers)] {
                m_reading.remove(setName);
                // Read from a file or store changed since: read again when asked.
                if (from == m_generation)
                    m_layers.insert(setName, layers);
                emit ready(setName);
            },
            Qt::QueuedConnection);
    });
}
