#pragma once

#include "Com.h"

#define QUARNELGIS_EXPORT __attribute__((visibility("default")))

/// Life of the module as a whole: the count of its live objects and server
/// locks that decides whether a host may unload it.
namespace QuarnelGISModule {
/// Called by every command object and class factory when made and destroyed.
void objectCreated() noexcept;
void objectDestroyed() noexcept;
/// A host's LockServer: while locked the module stays loaded. An unlock
/// without a lock is ignored.
void lockServer(bool lock) noexcept;
/// True when no object and no lock of the module is alive.
bool canUnload() noexcept;
} // namespace QuarnelGISModule

// The entry points a host looks up in the loaded module.
extern "C" {
/// The class factory of `classId` seen as `iid`; CLASS_E_CLASSNOTAVAILABLE for
/// a class the module does not have.
QUARNELGIS_EXPORT Com::HRESULT DllGetClassObject(const QUuid *classId, const QUuid *iid, void **object);
/// S_OK when no object of the module is alive, else S_FALSE.
QUARNELGIS_EXPORT Com::HRESULT DllCanUnloadNow();
/// Writes the class into the host's registry, with this module file's path.
QUARNELGIS_EXPORT Com::HRESULT DllRegisterServer();
/// Removes exactly what DllRegisterServer writes.
QUARNELGIS_EXPORT Com::HRESULT DllUnregisterServer();
}
