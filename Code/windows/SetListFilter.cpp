#include "SetListFilter.h"

#include <QAbstractItemModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>

SetListFilter::SetListFilter(QListWidget &list, QWidget *window)
    : QObject(window), m_list(list), m_line(new QLineEdit(list.parentWidget()))
{
    m_line->setObjectName(QStringLiteral("txtFind"));
    m_line->setPlaceholderText(QStringLiteral("Find a set"));
    m_line->setAccessibleName(QStringLiteral("Find a set"));
    m_line->setClearButtonEnabled(true);
    m_line->hide();
    m_line->installEventFilter(this);
    connect(m_line, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_folded = folded(text);
        applyToAll();
    });
    // Entries read again from the file (another process saved, a change was
    // made) are filtered as they come.
    connect(m_list.model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { apply(first, last); });
}

bool SetListFilter::isOpen() const
{
    return !m_line->isHidden();
}

void SetListFilter::open()
{
    if (!isOpen()) {
        // The line takes the top of the list's place; the list gives it up.
        m_listPlace = m_list.geometry();
        const int height = m_line->sizeHint().height();
        m_line->setGeometry(m_listPlace.x(), m_listPlace.y(), m_listPlace.width(), height);
        m_list.setGeometry(m_listPlace.adjusted(0, height, 0, 0));
        m_line->show();
    }
    m_line->setFocus(Qt::ShortcutFocusReason);
    m_line->selectAll();
}

void SetListFilter::close()
{
    if (!isOpen())
        return;
    m_line->hide();
    m_list.setGeometry(m_listPlace);
    m_line->clear();
    m_list.setFocus(Qt::OtherFocusReason);
}

QString SetListFilter::folded(const QString &text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out.append(c);
    return out.toCaseFolded();
}

bool SetListFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_line && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape) {
            close();
            return true;
        }
        // Down goes on to the entries found, as in a search field.
        if (key == Qt::Key_Down) {
            m_list.setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

const QString &SetListFilter::foldedName(const QString &name)
{
    auto found = m_foldedNames.find(name);
    if (found == m_foldedNames.end()) {
        // Names gone from the list are forgotten now and then.
        if (m_foldedNames.size() > 2 * std::max(m_list.count(), 1024))
            m_foldedNames.clear();
        found = m_foldedNames.insert(name, folded(name));
    }
    return *found;
}

void SetListFilter::apply(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        QListWidgetItem *item = m_list.item(row);
        if (!item)
            continue;
        // Hiding or showing a row costs the list a search of its hidden
        // rows: only rows whose state changes are touched.
        const bool hide = !m_folded.isEmpty() && !foldedName(item->text()).contains(m_folded);
        if (item->isHidden() != hide)
            item->setHidden(hide);
    }
}

void SetListFilter::applyToAll()
{
    apply(0, m_list.count() - 1);
}
