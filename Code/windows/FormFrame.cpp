#include "FormFrame.h"

#include "HostClassIds.h"
#include "HostError.h"
#include "HostServices.h"
#include "IModelessFrame.h"
#include "IObjectFactory.h"
#include "RuntimeError.h"

namespace FormFrame {

std::shared_ptr<IModelessFrame> obtain(const HostServices &services, std::shared_ptr<IModelessFrame> &kept, IForm *form,
                                       const QString &caption)
{
    if (!kept) {
        auto frame =
            std::dynamic_pointer_cast<IModelessFrame>(services.objectFactory().create(HostClassIds::ModelessFrame));
        if (!frame)
            throwRuntimeError(RuntimeError::TypeMismatch);
        // Kept before attaching: the load step, which runs during the
        // attachment, asks for the frame again and must get this one.
        kept = frame;
        frame->attach(form);
        frame->setCaption(caption);
    }
    return kept;
}

} // namespace FormFrame
