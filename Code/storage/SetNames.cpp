#include "SetNames.h"

#include "RecordEncoder.h"
#include "RuntimeError.h"
#include "SetFileRecords.h"

#include <array>

namespace SetNames {

bool fileHolds(const QString &name)
{
    // The name's records between plain ones, as a save appends them: each
    // must read back whole, with every field as written.
    const QString plain = QStringLiteral("Plain");
    const std::array<std::array<QString, 4>, 4> written{{
        {plain, QStringLiteral("Layers"), QStringLiteral("Streets"), QStringLiteral("True")},
        {name, QStringLiteral("Layers"), QStringLiteral("Streets"), QStringLiteral("True")},
        {name, QStringLiteral("Layers"), QStringLiteral("Rivers"), QStringLiteral("False")},
        {plain, QStringLiteral("Layers"), QStringLiteral("Rivers"), QStringLiteral("False")},
    }};
    RecordEncoder encoder;
    for (const auto &fields : written)
        encoder.append({fields[0], fields[1], fields[2], fields[3]});
    SetFileRecords records(QByteArray(encoder.bytes().data(), encoder.bytes().size()));
    SetFileRecords::Record record;
    for (const auto &fields : written) {
        if (!records.next(record) || !record.wellFormed)
            return false;
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (records.text(record.fields[i]) != fields[i])
                return false;
    }
    return !records.next(record) && !records.cutShort();
}

QString notHeldText(const QString &name)
{
    return QStringLiteral("The set name \"%1\" cannot be stored: the set file would read it back as another name. "
                          "A name cannot hold a quote next to a comma and another quote (\",\"), a quote and a "
                          "comma at its end, or a quote at the start of a new line. Please choose another name.")
        .arg(name);
}

void requireHeld(const QString &name)
{
    if (!fileHolds(name))
        throwRuntimeError(RuntimeError::BadFileNameOrNumber, notHeldText(name));
}

} // namespace SetNames
