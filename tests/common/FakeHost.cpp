#include "FakeHost.h"

#include "HostClassIds.h"
#include "QuarnelGIS_Public.h"

namespace fake {

HostObjectPtr ObjectFactory::create(const QUuid &classId)
{
    if (failFor.contains(classId))
        throw HostError(HostError::E_FAIL_NUMBER, QStringLiteral("Cannot create object"));
    if (classId == HostClassIds::ModelessFrame) {
        auto frame = std::make_shared<Frame>();
        if (prepareFrame)
            prepareFrame(*frame);
        frames.push_back(frame);
        return frame;
    }
    if (classId == HostClassIds::ApplicationReference && application) {
        ++appReferencesCreated;
        return application;
    }
    throw HostError(static_cast<std::int32_t>(0x80040154u), QStringLiteral("Class not registered"));
}

std::shared_ptr<HostServices> FakeHost::makeServices() const
{
    auto made = std::make_shared<HostServices>();
    made->setMessageBox(boxes);
    made->setShell(shell);
    made->setScreen(screen);
    made->setDrives(drives);
    made->setObjectFactory(objects);
    return made;
}

FakeHost::FakeHost() : services(makeServices()), state(std::make_unique<QuarnelGIS_Public>(services)) {}

FakeHost::~FakeHost()
{
    state->channel1.closeQuietly();
}

} // namespace fake
