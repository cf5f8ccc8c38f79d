#include "SetDatabase.h"

#include "RecordEncoder.h"
#include "RuntimeError.h"
#include "VisibilitySetFile.h"

#include <QHash>
#include <QSet>

namespace {

// Every upgrade step, from the version before it; a step runs once, in the
// transaction that records its version.
const char *const upgrades[] = {
    // 1: the records in order, the sets' first positions, the last change.
    R"sql(
CREATE SCHEMA quarnel;
CREATE TABLE quarnel.schema_version (version integer NOT NULL);
INSERT INTO quarnel.schema_version VALUES (0);
CREATE SEQUENCE quarnel.positions;
CREATE TABLE quarnel.records (
    pos bigint NOT NULL,
    sub integer NOT NULL,
    set_name text NOT NULL,
    map_name text NOT NULL,
    layer_name text NOT NULL,
    visibility text NOT NULL,
    saved_by text NOT NULL DEFAULT session_user,
    saved_at timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (pos, sub));
CREATE INDEX records_by_set ON quarnel.records (set_name, pos, sub);
CREATE TABLE quarnel.sets (
    name text PRIMARY KEY,
    first_pos bigint NOT NULL,
    saved_by text NOT NULL,
    saved_at timestamptz NOT NULL);
CREATE INDEX sets_in_order ON quarnel.sets (first_pos);
CREATE TABLE quarnel.undo (side "char" NOT NULL, LIKE quarnel.records);
GRANT USAGE ON SCHEMA quarnel TO quarnel_readers;
GRANT SELECT ON ALL TABLES IN SCHEMA quarnel TO quarnel_readers;
GRANT INSERT, UPDATE, DELETE ON quarnel.records, quarnel.sets, quarnel.undo TO quarnel_editors;
GRANT USAGE, UPDATE ON SEQUENCE quarnel.positions TO quarnel_editors;
)sql",
};

const char *const roles = R"sql(
DO $$ BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'quarnel_readers') THEN
        CREATE ROLE quarnel_readers NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'quarnel_editors') THEN
        CREATE ROLE quarnel_editors NOLOGIN IN ROLE quarnel_readers;
    END IF;
END $$;
)sql";

// The rows of one set at one position, from arrays of their fields.
const char *const insertRows = R"sql(
INSERT INTO quarnel.records (pos, sub, set_name, map_name, layer_name, visibility)
SELECT $1::bigint, r.n - 1, $2, r.m, r.l, r.v
FROM unnest($3::text[], $4::text[], $5::text[]) WITH ORDINALITY AS r(m, l, v, n)
)sql";

struct Columns
{
    QStringList maps, layers, flags;
};

Columns columnsOf(const std::vector<SetDatabase::Fields> &records)
{
    Columns columns;
    for (const SetDatabase::Fields &record : records) {
        columns.maps << record[0];
        columns.layers << record[1];
        columns.flags << record[2];
    }
    return columns;
}

QByteArray number(qint64 value)
{
    return QByteArray::number(value);
}

/// PostgreSQL's text holds no NUL character, and a parameter would end at
/// one, naming another set: such a name is refused before anything is sent.
void requireStorable(const QString &text)
{
    if (text.contains(QChar(0)))
        throwRuntimeError(RuntimeError::BadFileNameOrNumber,
                          QStringLiteral("A team's database cannot hold a name with a NUL character (\"%1\"); "
                                         "nothing was changed.")
                              .arg(QString(text).replace(QChar(0), QStringLiteral("\\0"))));
}

void requireStorable(const std::vector<SetDatabase::Fields> &records)
{
    for (const SetDatabase::Fields &record : records)
        for (const QString &field : record)
            requireStorable(field);
}

} // namespace

SetDatabase::SetDatabase(const QString &connection) : m_db(connection) {}

int SetDatabase::initialise()
{
    int found = 0;
    m_db.transaction([&] {
        // One initialisation at a time, however many start at once.
        m_db.exec("SELECT pg_advisory_xact_lock(hashtext('quarnel schema'))");
        m_db.run(roles);
        const QString encoding = m_db.exec("SHOW server_encoding").text(0, 0);
        if (encoding != QLatin1String("UTF8"))
            throwRuntimeError(RuntimeError::BadFileMode,
                              QStringLiteral("The database at %1 holds its text as %2: the sets need a UTF8 "
                                             "database (createdb -E UTF8).")
                                  .arg(server(), encoding));
        if (m_db.exec("SELECT to_regclass('quarnel.schema_version') IS NOT NULL").text(0, 0) == QLatin1String("t"))
            found = int(m_db.exec("SELECT version FROM quarnel.schema_version").number(0, 0));
        if (found > schemaVersion)
            throwRuntimeError(RuntimeError::BadFileMode,
                              QStringLiteral("The sets' tables at %1 are at version %2, newer than this program's "
                                             "%3: upgrade the add-in.")
                                  .arg(server())
                                  .arg(found)
                                  .arg(schemaVersion));
        for (int version = found; version < schemaVersion; ++version) {
            m_db.run(upgrades[version]);
            m_db.exec("UPDATE quarnel.schema_version SET version = $1", {number(version + 1)});
        }
    });
    return found;
}

QStringList SetDatabase::names()
{
    const PgResult rows = m_db.exec("SELECT name FROM quarnel.sets ORDER BY first_pos, name");
    QStringList names;
    names.reserve(rows.rows());
    for (int row = 0; row < rows.rows(); ++row)
        names << rows.text(row, 0);
    return names;
}

void SetDatabase::readSet(const QString &setName, const std::function<void(const VisibilityRecord &)> &onRecord)
{
    requireStorable(setName);
    const PgResult rows = m_db.exec("SELECT map_name, layer_name, visibility FROM quarnel.records "
                                    "WHERE set_name = $1 ORDER BY pos, sub",
                                    {setName.toUtf8()});
    VisibilityRecord record{setName, {}, {}, {}};
    for (int row = 0; row < rows.rows(); ++row) {
        record.mapName = rows.text(row, 0);
        record.layerName = rows.text(row, 1);
        record.visibility = rows.text(row, 2);
        onRecord(record);
    }
}

std::vector<SetDatabase::Fields> SetDatabase::fieldsOf(const QString &setName)
{
    std::vector<Fields> records;
    readSet(setName, [&](const VisibilityRecord &record) {
        records.push_back({record.mapName, record.layerName, record.visibility});
    });
    return records;
}

void SetDatabase::appendSet(const QString &setName, const std::vector<Fields> &records)
{
    if (records.empty())
        return;
    requireStorable(setName);
    requireStorable(records);
    const Columns columns = columnsOf(records);
    // One statement, so one transaction: the rows, the set's place in the
    // order, and the notice to every list.
    m_db.execDeciding(R"sql(
WITH p AS (SELECT nextval('quarnel.positions') AS pos),
added AS (
    INSERT INTO quarnel.records (pos, sub, set_name, map_name, layer_name, visibility)
    SELECT p.pos, r.n - 1, $1, r.m, r.l, r.v
    FROM p, unnest($2::text[], $3::text[], $4::text[]) WITH ORDINALITY AS r(m, l, v, n)),
placed AS (
    INSERT INTO quarnel.sets SELECT $1, pos, session_user, now() FROM p
    ON CONFLICT (name) DO UPDATE SET first_pos = least(quarnel.sets.first_pos, excluded.first_pos),
        saved_by = excluded.saved_by, saved_at = excluded.saved_at)
SELECT pg_notify('quarnel_sets', 'saved')
)sql",
                      {setName.toUtf8(), PgConnection::textArray(columns.maps), PgConnection::textArray(columns.layers),
                       PgConnection::textArray(columns.flags)});
}

void SetDatabase::insertAt(qint64 pos, const QString &setName, const std::vector<Fields> &records)
{
    const Columns columns = columnsOf(records);
    m_db.exec(insertRows, {number(pos), setName.toUtf8(), PgConnection::textArray(columns.maps),
                           PgConnection::textArray(columns.layers), PgConnection::textArray(columns.flags)});
}

void SetDatabase::change(const std::function<Touched()> &plan, const std::function<void()> &apply)
{
    m_db.transaction([&] {
        // Saves wait for the change; readers go on reading what was.
        m_db.exec("LOCK TABLE quarnel.records, quarnel.sets IN EXCLUSIVE MODE");
        const Touched touched = plan();
        if (!touched.any)
            return;
        const QByteArray names = touched.all ? QByteArray() : PgConnection::textArray(touched.names);
        m_db.exec("DELETE FROM quarnel.undo");
        m_db.exec("INSERT INTO quarnel.undo SELECT 'r', r.* FROM quarnel.records r "
                  "WHERE $1::text[] IS NULL OR r.set_name = ANY($1::text[])",
                  {names});
        apply();
        m_db.exec("INSERT INTO quarnel.undo SELECT 'a', r.* FROM quarnel.records r "
                  "WHERE $1::text[] IS NULL OR r.set_name = ANY($1::text[])",
                  {names});
        placeSets(names);
    });
}

void SetDatabase::placeSets(const QByteArray &names)
{
    // Each set's place is its first record's; who saved it last and when
    // are its newest record's.
    m_db.exec("DELETE FROM quarnel.sets WHERE $1::text[] IS NULL OR name = ANY($1::text[])", {names});
    m_db.exec("INSERT INTO quarnel.sets SELECT set_name, min(pos), "
              "(array_agg(saved_by ORDER BY saved_at DESC, pos DESC))[1], max(saved_at) FROM quarnel.records "
              "WHERE $1::text[] IS NULL OR set_name = ANY($1::text[]) GROUP BY set_name",
              {names});
    m_db.exec("SELECT pg_notify('quarnel_sets', 'changed')");
}

SetDatabase::Renamed SetDatabase::renameSet(const QString &from, const QString &to, bool merge)
{
    requireStorable(from);
    requireStorable(to);
    Renamed outcome;
    change(
        [&] {
            const PgResult found = m_db.exec("SELECT count(*) FILTER (WHERE name = $1), count(*) FILTER (WHERE "
                                             "name = $2) FROM quarnel.sets WHERE name IN ($1, $2)",
                                             {from.toUtf8(), to.toUtf8()});
            outcome.found = found.number(0, 0) > 0;
            outcome.nameInUse = found.number(0, 1) > 0 && from != to;
            const bool renames = outcome.found && from != to && (!outcome.nameInUse || merge);
            return Touched{renames, false, {from, to}};
        },
        [&] {
            m_db.exec("UPDATE quarnel.records SET set_name = $2 WHERE set_name = $1", {from.toUtf8(), to.toUtf8()});
        });
    return outcome;
}

qsizetype SetDatabase::deleteSets(const QStringList &setNames)
{
    for (const QString &name : setNames)
        requireStorable(name);
    qsizetype removed = 0;
    const QByteArray names = PgConnection::textArray(setNames);
    change(
        [&] {
            removed = m_db.exec("SELECT count(*) FROM quarnel.records WHERE set_name = ANY($1::text[])", {names})
                          .number(0, 0);
            return Touched{removed > 0, false, setNames};
        },
        [&] { m_db.exec("DELETE FROM quarnel.records WHERE set_name = ANY($1::text[])", {names}); });
    return removed;
}

bool SetDatabase::replaceSet(const QString &setName, const std::vector<Fields> &records)
{
    requireStorable(setName);
    requireStorable(records);
    qint64 first = -1;
    change(
        [&] {
            const PgResult at = m_db.exec("SELECT first_pos FROM quarnel.sets WHERE name = $1", {setName.toUtf8()});
            first = at.rows() ? at.number(0, 0) : -1;
            return Touched{first >= 0, false, {setName}};
        },
        [&] {
            // Every row at the set's first position is the set's own: a
            // position is taken by one save, replace or edit of one set.
            m_db.exec("DELETE FROM quarnel.records WHERE set_name = $1", {setName.toUtf8()});
            insertAt(first, setName, records);
        });
    return first >= 0;
}

std::vector<SetFileEdits::LayerFlag> SetDatabase::layerFlags(const QString &setName)
{
    return SetFileEdits::layerFlagsOf(
        [&](const std::function<void(const VisibilityRecord &)> &onRecord) { readSet(setName, onRecord); });
}

void SetDatabase::editSet(const QString &setName, const std::vector<SetFileEdits::LayerFlag> &layers,
                          const std::optional<std::vector<SetFileEdits::LayerFlag>> &asRead, bool &found,
                          std::vector<SetFileEdits::LayerChange> &changes)
{
    requireStorable(setName);
    for (const SetFileEdits::LayerFlag &layer : layers) {
        requireStorable(layer.mapName);
        requireStorable(layer.layerName);
    }
    std::vector<Fields> edited;
    qint64 first = -1;
    change(
        [&] {
            // Judged under the lock: nothing comes in between.
            const std::vector<Fields> now = fieldsOf(setName);
            found = !now.empty();
            changes.clear();
            if (asRead) {
                // The set as read just now, not read again.
                const auto flags =
                    SetFileEdits::layerFlagsOf([&](const std::function<void(const VisibilityRecord &)> &onRecord) {
                        for (const Fields &record : now)
                            onRecord({setName, record[0], record[1], record[2]});
                    });
                changes = SetFileEdits::changesBetween(*asRead, flags);
                if (!changes.empty())
                    return Touched{};
            }
            if (!found)
                return Touched{};
            // A layer recorded with the same flag keeps its record's text.
            QHash<std::pair<QString, QString>, QString> kept;
            for (const Fields &record : now)
                kept.insert({record[0], record[1]}, record[2]);
            edited.clear();
            for (const SetFileEdits::LayerFlag &layer : layers) {
                const QString was = kept.value({layer.mapName, layer.layerName});
                const bool same = !was.isNull() && (was == QLatin1String("True")) == layer.visible;
                edited.push_back(
                    {layer.mapName, layer.layerName, same ? was : VisibilitySetFile::visibilityText(layer.visible)});
            }
            if (edited == now)
                return Touched{};
            first = m_db.exec("SELECT first_pos FROM quarnel.sets WHERE name = $1", {setName.toUtf8()}).number(0, 0);
            return Touched{true, false, {setName}};
        },
        [&] {
            m_db.exec("DELETE FROM quarnel.records WHERE set_name = $1", {setName.toUtf8()});
            insertAt(first, setName, edited);
        });
}

void SetDatabase::clearAll()
{
    change(
        [&] {
            return Touched{
                m_db.exec("SELECT EXISTS (SELECT FROM quarnel.records)").text(0, 0) == QLatin1String("t"), true, {}};
        },
        [&] { m_db.exec("DELETE FROM quarnel.records"); });
}

bool SetDatabase::undo()
{
    bool undone = false;
    m_db.transaction([&] {
        m_db.exec("LOCK TABLE quarnel.records, quarnel.sets IN EXCLUSIVE MODE");
        const PgResult touched = m_db.exec("SELECT DISTINCT set_name FROM quarnel.undo");
        if (touched.rows() == 0)
            return;
        QStringList names;
        for (int row = 0; row < touched.rows(); ++row)
            names << touched.text(row, 0);
        const QByteArray array = PgConnection::textArray(names);
        // The change's own rows go and the rows it took come back; rows
        // saved since have positions of their own and stay.
        m_db.exec("DELETE FROM quarnel.records r USING quarnel.undo u "
                  "WHERE u.side = 'a' AND r.pos = u.pos AND r.sub = u.sub");
        m_db.exec("INSERT INTO quarnel.records SELECT pos, sub, set_name, map_name, layer_name, visibility, "
                  "saved_by, saved_at FROM quarnel.undo WHERE side = 'r'");
        m_db.exec("UPDATE quarnel.undo SET side = CASE side WHEN 'a' THEN 'r' ELSE 'a' END");
        placeSets(PgConnection::textArray(names));
        undone = true;
    });
    return undone;
}

QByteArray SetDatabase::exportSets(const QStringList &setNames, qsizetype &count)
{
    const PgResult rows = m_db.exec("SELECT set_name, map_name, layer_name, visibility FROM quarnel.records "
                                    "WHERE set_name = ANY($1::text[]) ORDER BY pos, sub",
                                    {PgConnection::textArray(setNames)});
    RecordEncoder encoder;
    for (int row = 0; row < rows.rows(); ++row)
        encoder.append({rows.text(row, 0), rows.text(row, 1), rows.text(row, 2), rows.text(row, 3)});
    count = rows.rows();
    return QByteArray(encoder.bytes().data(), encoder.bytes().size());
}

SetFileEdits::ImportOutcome SetDatabase::addSets(const std::vector<SetFileEdits::ImportedSet> &sets,
                                                 const QHash<QString, SetFileEdits::Clash> &decisions)
{
    // A set the database cannot hold refuses the import whole.
    for (const SetFileEdits::ImportedSet &set : sets) {
        requireStorable(set.name);
        for (const auto &fields : set.fields)
            for (const QString &field : fields)
                requireStorable(field);
    }
    SetFileEdits::ImportOutcome outcome;
    std::vector<QString> names;
    change(
        [&] {
            const QStringList present = this->names();
            names =
                SetFileEdits::importedNames(QSet<QString>(present.begin(), present.end()), sets, decisions, outcome);
            return Touched{!outcome.added.isEmpty(), false, outcome.added};
        },
        [&] {
            for (std::size_t i = 0; i < sets.size(); ++i) {
                if (names[i].isEmpty())
                    continue;
                std::vector<Fields> records;
                for (const auto &fields : sets[i].fields)
                    records.push_back(fields);
                insertAt(m_db.exec("SELECT nextval('quarnel.positions')").number(0, 0), names[i], records);
            }
        });
    return outcome;
}

SetFileEdits::CheckReport SetDatabase::check()
{
    const PgResult counts = m_db.exec("SELECT (SELECT count(*) FROM quarnel.records), "
                                      "(SELECT count(*) FROM quarnel.sets), "
                                      "pg_total_relation_size('quarnel.records')");
    SetFileEdits::CheckReport report;
    report.records = counts.number(0, 0);
    report.sets = counts.number(0, 1);
    report.bytes = counts.number(0, 2);
    return report;
}

std::optional<SetDatabase::Origin> SetDatabase::origin(const QString &setName)
{
    const QHash<QString, Origin> all = origins();
    const auto found = all.constFind(setName);
    return found == all.constEnd() ? std::nullopt : std::optional<Origin>(*found);
}

QHash<QString, SetDatabase::Origin> SetDatabase::origins()
{
    const PgResult rows =
        m_db.exec("SELECT name, saved_by, (extract(epoch FROM saved_at) * 1000)::bigint FROM quarnel.sets");
    QHash<QString, Origin> all;
    for (int row = 0; row < rows.rows(); ++row)
        all.insert(rows.text(row, 0), {rows.text(row, 1), QDateTime::fromMSecsSinceEpoch(rows.number(row, 2))});
    return all;
}

bool SetDatabase::mayChange()
{
    return m_db.exec("SELECT has_table_privilege('quarnel.records', 'INSERT')").text(0, 0) == QLatin1String("t");
}
