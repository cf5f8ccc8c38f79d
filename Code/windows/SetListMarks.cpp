#include "SetListMarks.h"

#include "CurrentDocument.h"
#include "IApplication.h"
#include "IDocument.h"
#include "IVisibilityEvents.h"
#include "QuarnelGIS_Public.h"
#include "SetDatabase.h"
#include "SetFileIdentity.h"
#include "SetFileRewrite.h"
#include "WindowLook.h"

#include <QListWidget>
#include <QLocale>
#include <QtConcurrent/QtConcurrentRun>

#include <stdexcept>
#include <utility>

SetListMarks::SetListMarks(QuarnelGIS_Public &state, QListWidget &list, QObject *parent)
    : QObject(parent), m_state(state), m_list(list), m_mark(WindowLook::matchMark())
{
    // The tick is shown at the size it was drawn for, a little smaller than
    // a name's height.
    m_list.setIconSize(QSize(12, 12));
    m_soon.setSingleShot(true);
    m_soon.setInterval(0);
    connect(&m_soon, &QTimer::timeout, this, &SetListMarks::start);
    connect(&m_judging, &QFutureWatcher<Judgement>::finished, this, &SetListMarks::finished);
}

SetListMarks::~SetListMarks()
{
    // The judgement holds only values of its own, but runs this library's
    // code: it is told to give up and waited for, so that none of it runs
    // once the window is gone and the host may unload the library.
    m_judging.disconnect(this);
    if (m_cancel)
        m_cancel->store(true);
    m_judging.waitForFinished();
}

void SetListMarks::recompute()
{
    m_lookAgain = true;
    m_soon.start();
}

void SetListMarks::fileChanged()
{
    ++m_storeChanges;
    m_soon.start();
}

void SetListMarks::setLastRestored(const QString &name)
{
    m_lastRestored = name;
}

void SetListMarks::start()
{
    if (m_judging.isRunning()) {
        // What it judges is already out of date: it gives up, and the
        // judgement starts again once it has.
        m_again = true;
        m_cancel->store(true);
        return;
    }
    QString native;
    // A team's database is read on a connection of the judgement's own.
    const QString store = m_state.setDatabase ? m_state.setDatabase->connectionText() : QString();
    try {
        if (store.isEmpty())
            native = SetFileRewrite(m_state.services, m_state.setFilePath).nativePath();
        const std::shared_ptr<IDocument> document = shownDocument(m_state);
        if (!document)
            throw std::runtime_error("no document");
        if (m_followed.lock() != document) {
            m_followed = document;
            m_subscription.reset();
            m_lookAgain = true;
            if (auto events = std::dynamic_pointer_cast<IVisibilityEvents>(document))
                m_subscription = events->subscribeVisibility([this] { recompute(); });
        }
        // A document that tells of no changes is looked at every time.
        if (m_lookAgain || !m_snapshot || !m_subscription) {
            m_snapshot.reset();
            m_snapshot = std::make_shared<const VisibilitySnapshot>(VisibilitySnapshot::of(*document));
            m_lookAgain = false;
        }
    } catch (...) {
        // No document or no file to judge marks nothing; the actions that
        // read them report their own failures.
        m_standings.clear();
        apply();
        return;
    }
    m_cancel = std::make_shared<std::atomic_bool>(false);
    // The database's records are read again only after the sets changed:
    // a change of the layers alone is judged against the records read last.
    Judgement read;
    if (!store.isEmpty() && m_storeRead == m_storeChanges && m_storeRecords.store == store)
        read = m_storeRecords;
    read.changes = m_storeChanges;
    read.store = store;
    m_judging.setFuture(QtConcurrent::run([native, store, read, now = m_snapshot, cancel = m_cancel]() {
        Judgement judgement = read;
        try {
            if (store.isEmpty()) {
                judgement.standings = judgeSets(SetFileRewrite::readMeasured(native), *now, cancel.get());
                return judgement;
            }
            if (!judgement.records) {
                SetDatabase database(store);
                qsizetype count = 0;
                judgement.records = std::make_shared<const QByteArray>(database.exportSets(database.names(), count));
                judgement.origins = database.origins();
            }
            judgement.standings = judgeSets(*judgement.records, *now, cancel.get());
        } catch (...) {
            judgement.records.reset();
        }
        return judgement;
    }));
}

void SetListMarks::finished()
{
    if (!m_cancel->load()) {
        const Judgement judgement = m_judging.result();
        m_standings = judgement.standings;
        m_origins = judgement.origins;
        if (judgement.records) {
            m_storeRecords = judgement;
            m_storeRecords.standings.clear();
            m_storeRead = judgement.changes;
        }
        apply();
    }
    if (std::exchange(m_again, false))
        start();
}

void SetListMarks::apply()
{
    // Only the set restored last changes its font, and only to lean: the
    // entry's font is resolved against the list's blue bold.
    QFont leaning;
    leaning.setItalic(true);
    for (int row = 0; row < m_list.count(); ++row) {
        QListWidgetItem *item = m_list.item(row);
        const QString name = item->text();
        const auto found = m_standings.constFind(name);
        const bool known = found != m_standings.constEnd();
        const bool matches = known && found->matches();
        const bool drifted = known && !matches && name == m_lastRestored;
        QString told = known ? found->describe() : QString();
        // In a team's database each set tells who saved it last, and when.
        if (const auto origin = m_origins.constFind(name); origin != m_origins.constEnd())
            told += (told.isEmpty() ? QString() : QStringLiteral("\n"))
                    + QStringLiteral("Saved by %1, %2")
                          .arg(origin->savedBy, QLocale().toString(origin->savedAt, QLocale::ShortFormat));
        const QVariant standing = told.isEmpty() ? QVariant() : QVariant(told);
        QVariant spoken;
        if (matches)
            spoken = name + QStringLiteral(", matches now");
        else if (drifted)
            spoken = name + QStringLiteral(", restored last, changed since");
        // An entry without marks holds no roles of its own, so that the
        // list's delegate keeps measuring it by its name alone.
        const auto put = [item](int role, const QVariant &value) {
            if (item->data(role) != value)
                item->setData(role, value);
        };
        put(Qt::FontRole, drifted ? QVariant(leaning) : QVariant());
        put(Qt::DecorationRole, matches ? QVariant(m_mark) : QVariant());
        put(Qt::AccessibleTextRole, spoken);
        put(Qt::ToolTipRole, standing);
        put(Qt::AccessibleDescriptionRole, standing);
    }
}
