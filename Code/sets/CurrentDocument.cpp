#include "CurrentDocument.h"

#include "IApplication.h"
#include "IDocument.h"
#include "ObjectRequired.h"
#include "QuarnelGIS_Public.h"

IDocument &currentDocument(QuarnelGIS_Public &state)
{
    if (state.application)
        state.document = state.application->document();
    return required(state.document);
}

std::shared_ptr<IDocument> shownDocument(const QuarnelGIS_Public &state)
{
    return state.application ? state.application->document() : state.document;
}
