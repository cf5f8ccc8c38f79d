#include "HostObject.h"
#include "HostError.h"
#include "IApplication.h"
#include "ICompositeLayer.h"
#include "IDisplay.h"
#include "IDocument.h"
#include "IDrives.h"
#include "IElement.h"
#include "IEnvelope.h"
#include "IFeatureLayer.h"
#include "IForm.h"
#include "IFramePosition.h"
#include "IGeometry.h"
#include "IGraphicsContainer.h"
#include "IGroupLayer.h"
#include "ILayer.h"
#include "ILegend.h"
#include "IMap.h"
#include "IMapFrame.h"
#include "IMapSurround.h"
#include "IMapSurroundFrame.h"
#include "IMaps.h"
#include "IMessageBox.h"
#include "IModelessFrame.h"
#include "IObjectFactory.h"
#include "IPageLayout.h"
#include "IScreenMetrics.h"
#include "IShell.h"
#include "IView.h"

// Out-of-line destructors anchor the interfaces' type information in this one
// shared library, so that type tests agree between host, module and tests.
HostObject::~HostObject() = default;
IForm::~IForm() = default;
IMessageBox::~IMessageBox() = default;
IShell::~IShell() = default;
IScreenMetrics::~IScreenMetrics() = default;
IDrives::~IDrives() = default;
IObjectFactory::~IObjectFactory() = default;

HostError::HostError(std::int32_t number, QString description)
    : m_number(number), m_description(std::move(description)), m_what(m_description.toStdString())
{
}

const char *HostError::what() const noexcept
{
    return m_what.c_str();
}
