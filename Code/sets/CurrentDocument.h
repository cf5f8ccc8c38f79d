#pragma once

#include <memory>

class IDocument;
struct QuarnelGIS_Public;

/// The document an action works on: the application's current document at
/// the moment of the action, so that a document opened since the window was
/// shown is the one saved, restored or switched. Kept in the state record for
/// the redraw; a record with no application keeps the document it has.
/// Throws HostError 91 when there is no document.
IDocument &currentDocument(QuarnelGIS_Public &state);

/// The document shown now, without making it the state's document (that
/// stays the one the last action worked on); null when there is none. For
/// what only looks at the document: the list's marks and pictures.
std::shared_ptr<IDocument> shownDocument(const QuarnelGIS_Public &state);
