#include "Application.h"

#include "Document.h"

namespace mapdesk {

Application::Application(std::shared_ptr<Document> document, QObject *parent)
    : QObject(parent), m_document(document ? std::move(document) : Document::createUntitled())
{
}

Application::~Application() = default;

std::shared_ptr<IDocument> Application::document()
{
    return m_document;
}

void Application::setDocument(std::shared_ptr<Document> document)
{
    if (!document)
        document = Document::createUntitled();
    if (document == m_document)
        return;
    m_document = std::move(document);
    emit documentChanged();
}

} // namespace mapdesk
