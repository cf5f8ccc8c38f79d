#include "FakeHost.h"

#include "HostClassIds.h"
#include "QuarnelGIS_Public.h"

#include "FileChannel.h"

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

FakeHost::FakeHost()
{
    QuarnelGIS_Public::reset();
    HostServices::setMessageBox(boxes);
    HostServices::setShell(shell);
    HostServices::setScreen(screen);
    HostServices::setDrives(drives);
    HostServices::setObjectFactory(objects);
}

FakeHost::~FakeHost()
{
    FileChannel::channel1().closeQuietly();
    QuarnelGIS_Public::reset();
    HostServices::clear();
}

} // namespace fake
