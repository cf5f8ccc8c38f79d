#pragma once

#include "IApplication.h"

#include <QObject>

#include <memory>

namespace mapdesk {

class Document;

/// The running map application as the add-in sees it: it holds the current
/// document, which the window switches when the user opens or creates one.
/// There is always a current document. Shares ownership of it.
class Application : public QObject, public virtual IApplication
{
    Q_OBJECT

public:
    /// Starts with `document`, or with an untitled document when none is given.
    explicit Application(std::shared_ptr<Document> document = {}, QObject *parent = nullptr);
    ~Application() override;

    std::shared_ptr<IDocument> document() override;

    std::shared_ptr<Document> currentDocument() const { return m_document; }
    /// Makes `document` current (an untitled one when null) and emits
    /// documentChanged() when it differs from the current one.
    void setDocument(std::shared_ptr<Document> document);

signals:
    void documentChanged();

private:
    std::shared_ptr<Document> m_document;
};

} // namespace mapdesk
