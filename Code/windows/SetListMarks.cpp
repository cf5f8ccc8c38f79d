#include "SetListMarks.h"

#include "IApplication.h"
#include "IDocument.h"
#include "IVisibilityEvents.h"
#include "QuarnelGIS_Public.h"
#include "SetFileRewrite.h"

#include <QListWidget>
#include <QtConcurrent/QtConcurrentRun>

SetListMarks::SetListMarks(QuarnelGIS_Public &state, QListWidget &list, QObject *parent)
    : QObject(parent), m_state(state), m_list(list)
{
    m_soon.setSingleShot(true);
    m_soon.setInterval(0);
    connect(&m_soon, &QTimer::timeout, this, &SetListMarks::start);
    connect(&m_judging, &QFutureWatcher<QHash<QString, SetStanding>>::finished, this, &SetListMarks::finished);
}

SetListMarks::~SetListMarks()
{
    // The judgement holds only values of its own; it is left to end alone.
    m_judging.disconnect(this);
}

void SetListMarks::recompute()
{
    m_soon.start();
}

void SetListMarks::setLastRestored(const QString &name)
{
    m_lastRestored = name;
}

void SetListMarks::start()
{
    if (m_judging.isRunning()) {
        m_again = true;
        return;
    }
    // The document shown now, without making it the state's document: that
    // stays the one the last action worked on.
    std::shared_ptr<IDocument> document = m_state.application ? m_state.application->document() : m_state.document;
    if (!document) {
        m_standings.clear();
        apply();
        return;
    }
    if (m_followed.lock() != document) {
        m_followed = document;
        m_subscription.reset();
        if (auto events = std::dynamic_pointer_cast<IVisibilityEvents>(document))
            m_subscription = events->subscribeVisibility([this] { recompute(); });
    }
    std::optional<SetFileRewrite> file;
    try {
        file.emplace(m_state.services, m_state.setFilePath);
    } catch (...) {
        // No file to judge: the list's own reads report that.
        return;
    }
    VisibilitySnapshot now = VisibilitySnapshot::of(*document);
    m_judging.setFuture(QtConcurrent::run([file = *file, now = std::move(now)]() {
        try {
            return judgeSets(file.read(), now);
        } catch (...) {
            return QHash<QString, SetStanding>();
        }
    }));
}

void SetListMarks::finished()
{
    m_standings = m_judging.result();
    apply();
    if (std::exchange(m_again, false))
        start();
}

void SetListMarks::apply()
{
    for (int row = 0; row < m_list.count(); ++row) {
        QListWidgetItem *item = m_list.item(row);
        const auto found = m_standings.constFind(item->text());
        const bool known = found != m_standings.constEnd();
        const bool matches = known && found->matches();
        QFont font = m_list.font();
        font.setBold(matches);
        font.setItalic(known && !matches && item->text() == m_lastRestored);
        item->setFont(font);
        item->setToolTip(known ? found->describe() : QString());
    }
}
