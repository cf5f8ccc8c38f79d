#include "NamedRecords.h"

#include "RuntimeError.h"

void NamedRecords::requireWhole() const
{
    if (m_records.cutShort())
        throwRuntimeError(RuntimeError::InputPastEndOfFile);
}
