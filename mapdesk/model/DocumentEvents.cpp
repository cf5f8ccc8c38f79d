#include "DocumentEvents.h"

namespace mapdesk {

DocumentEvents::DocumentEvents(QObject *parent) : QObject(parent) {}

DocumentEvents::~DocumentEvents() = default;

} // namespace mapdesk
