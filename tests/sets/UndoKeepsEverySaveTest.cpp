// Random runs of saves, whole-file changes, undos and redos, made by two
// instances that share one set file, while other programs move the file
// behind a link, replace it, or damage the files kept beside it for Undo;
// checked after every step against a plain model of the file's records: no
// saved record ever disappears except by a change that names it, Undo takes
// back the last change alone, and nothing done by other means is undone.
#include "SetFileRecords.h"
#include "SetStore.h"
#include "SetsWorld.h"
#include "VisibilityCapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <vector>

#include <sys/stat.h>

namespace {

struct Record
{
    QString set, map, layer, visibility;
    bool operator==(const Record &) const = default;
};
using Records = std::vector<Record>;

/// What the file should hold: its records, and the undo point as the records
/// of the file before the last change with where that change's records end.
struct Model
{
    Records file;
    std::optional<Records> previous;
    std::size_t end = 0;

    void change(Records next)
    {
        previous = file;
        file = std::move(next);
        end = file.size();
    }
    /// Something other than a change touched the file or its undo point.
    void forgetUndo() { previous.reset(); }
    bool undo()
    {
        if (!previous)
            return false;
        Records restored = *previous;
        restored.insert(restored.end(), file.begin() + qsizetype(end), file.end());
        const std::size_t restoredEnd = previous->size();
        previous = Records(file.begin(), file.begin() + qsizetype(end));
        file = std::move(restored);
        end = restoredEnd;
        return true;
    }
};

Records recordsOf(const QByteArray &bytes)
{
    Records out;
    SetFileRecords records(bytes);
    SetFileRecords::Record record;
    while (records.next(record))
        out.push_back({records.text(record.fields[0]), records.text(record.fields[1]), records.text(record.fields[2]),
                       records.text(record.fields[3])});
    return out;
}

Records captured(IDocument &document, const QString &set)
{
    Records out;
    captureVisibility(document, [&](const QString &map, const QString &layer, bool visible) {
        out.push_back({set, map, layer, visible ? QStringLiteral("True") : QStringLiteral("False")});
    });
    return out;
}

bool names(const Records &records, const QString &set)
{
    return std::any_of(records.begin(), records.end(), [&](const Record &r) { return r.set == set; });
}

TEST(UndoKeepsEverySave, RandomRunsOfTwoInstancesMatchThePlainModel)
{
    const QStringList pool = {"A", "B", "C", "D"};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SetsWorld first;
        SetsWorld second;
        // The second instance sees the first one's drive: one file, two states.
        second.host.drives->roots.insert(QLatin1Char('C'), first.host.drives->roots.value(QLatin1Char('C')));
        SetsWorld *worlds[] = {&first, &second};
        QTemporaryDir importing;
        // Another program may move the file, with what lies beside it, into
        // a folder of its own and leave a link in its place.
        const QString linked = first.filePath();
        const QString moved = first.folder + QStringLiteral("moved/");
        QDir().mkpath(moved);
        auto real = [&] { return QFileInfo(linked).isSymLink() ? moved + QStringLiteral("config") : linked; };
        std::mt19937 random(seed);
        auto pick = [&](int count) { return int(random() % unsigned(count)); };
        Model model;

        for (int step = 0; step < 150; ++step) {
            SetsWorld &world = *worlds[pick(2)];
            SetStore store(world.state());
            // Each save records another visibility, so that records tell apart.
            fake::LayerBase &streets = world.layer(QStringLiteral("Layers"), QStringLiteral("Streets"));
            streets.on = !streets.on;
            const QString name = pool[pick(pool.size())];
            const QString other = pool[pick(pool.size())];
            QString operation;
            switch (pick(12)) {
            case 0:
            case 1:
                operation = "save " + name;
                store.openForAppend();
                store.appendSet(name, *world.document);
                store.close();
                for (const Record &r : captured(*world.document, name))
                    model.file.push_back(r);
                break;
            case 2: {
                operation = "rename " + name + " to " + other;
                store.renameSet(name, other, SetStore::OntoNameInUse::Merge);
                if (names(model.file, name) && name != other) {
                    Records next = model.file;
                    for (Record &r : next)
                        if (r.set == name)
                            r.set = other;
                    model.change(next);
                }
                break;
            }
            case 3:
                operation = "delete " + name + " and " + other;
                store.deleteSets({name, other});
                if (names(model.file, name) || names(model.file, other)) {
                    Records next;
                    for (const Record &r : model.file)
                        if (r.set != name && r.set != other)
                            next.push_back(r);
                    model.change(next);
                }
                break;
            case 4:
                operation = "replace " + name;
                store.replaceSet(name, *world.document);
                if (names(model.file, name)) {
                    Records next;
                    bool placed = false;
                    for (const Record &r : model.file) {
                        if (r.set != name)
                            next.push_back(r);
                        else if (!std::exchange(placed, true))
                            for (const Record &c : captured(*world.document, name))
                                next.push_back(c);
                    }
                    model.change(next);
                }
                break;
            case 5: {
                operation = "import " + name;
                const QString path = importing.filePath(QString::number(step));
                QFile file(path);
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                const QByteArray visibility = step % 2 ? "True" : "False";
                file.write(SetsWorld::record(name.toUtf8(), "Imported", QByteArray::number(step), visibility));
                file.close();
                store.importSets(path, [](const QString &) { return SetStore::Clash::Merge; });
                Records next = model.file;
                next.push_back({name, "Imported", QString::number(step), QString::fromLatin1(visibility)});
                model.change(next);
                break;
            }
            case 6:
                operation = "clear all";
                store.clearAll();
                if (!model.file.empty())
                    model.change({});
                break;
            case 7:
                operation = "repair";
                EXPECT_EQ(store.repair(), 0);
                break;
            case 9: {
                operation = "move behind a link, or back";
                const bool back = QFileInfo(linked).isSymLink();
                if (back) {
                    ASSERT_TRUE(QFile::remove(linked));
                }
                for (const char *suffix : {"", ".previous", ".undo"})
                    QFile::rename((back ? moved + "config" : linked) + suffix,
                                  (back ? linked : moved + "config") + suffix);
                if (!back) {
                    ASSERT_TRUE(QFile::link(moved + QStringLiteral("config"), linked));
                }
                break;
            }
            case 10: {
                operation = "replaced by a copy";
                const QByteArray bytes = first.fileBytes();
                QFile::remove(real());
                QFile copy(real());
                ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
                copy.write(bytes);
                model.forgetUndo();
                break;
            }
            case 11: {
                const QString undoFile = real() + (pick(2) ? QStringLiteral(".undo") : QStringLiteral(".previous"));
                QFile::remove(undoFile);
                switch (pick(3)) {
                case 0:
                    operation = "a pipe beside the file";
                    ASSERT_EQ(::mkfifo(QFile::encodeName(undoFile).constData(), 0666), 0);
                    break;
                case 1:
                    operation = "a link beside the file";
                    ASSERT_TRUE(QFile::link(importing.filePath(QStringLiteral("elsewhere")), undoFile));
                    break;
                default: {
                    operation = "a damaged file beside the file";
                    QFile damaged(undoFile);
                    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
                    damaged.write(R"({"end":-4097,"device":"1","inode":"1"})");
                    break;
                }
                }
                model.forgetUndo();
                break;
            }
            default:
                operation = "undo";
                EXPECT_EQ(store.undo(), model.undo()) << "seed " << seed << " step " << step;
                break;
            }
            ASSERT_EQ(recordsOf(first.fileBytes()), model.file)
                << "seed " << seed << " step " << step << ": " << operation.toStdString();
        }
    }
}

} // namespace
