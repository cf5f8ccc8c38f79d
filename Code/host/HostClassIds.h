#pragma once

#include <QUuid>

/// Class identifiers of the host objects the add-in creates through IObjectFactory.
namespace HostClassIds {
/// The application reference: the running application.
inline const QUuid ApplicationReference{QStringLiteral("{E1740EC5-9513-11D2-A2DF-0000F8774FB5}")};
/// A modeless frame that floats a form over the application.
inline const QUuid ModelessFrame{QStringLiteral("{9F79BAAE-E23A-4E3E-83F9-6D85B3D1094F}")};
} // namespace HostClassIds
