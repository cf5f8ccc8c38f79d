#pragma once

#include <QString>

#include <memory>

class HostServices;
class IForm;
class IModelessFrame;

/// The frame property every shown window has: on the first request a new
/// host frame is created and kept, the window is attached to it (which runs
/// the window's load step) and the frame is captioned; later requests return
/// the kept frame. Failures reach the caller.
namespace FormFrame {
std::shared_ptr<IModelessFrame> obtain(const HostServices &services, std::shared_ptr<IModelessFrame> &kept, IForm *form,
                                       const QString &caption);
}
