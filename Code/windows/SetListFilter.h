#pragma once

#include <QHash>
#include <QObject>
#include <QRect>
#include <QString>

class QEvent;
class QLineEdit;
class QListWidget;
class QWidget;

/// The one-line filter over the set list, for finding one set among
/// hundreds. While it is open it keeps only the entries whose names contain
/// the typed text, regardless of case and accents; the list's order, marks
/// and clicks stay as they are. Closed, the window looks as it always did.
/// Owned by the window (its Qt parent); the list is the window's.
class SetListFilter : public QObject
{
    Q_OBJECT
public:
    SetListFilter(QListWidget &list, QWidget *window);

    /// Shows the line above the list and puts the typing there.
    void open();
    /// Hides the line, shows every entry again and gives the list the typing.
    void close();
    bool isOpen() const;
    /// The line the text is typed into.
    QLineEdit &line() const { return *m_line; }

    /// `text` as the filter compares it: case folded, accents dropped.
    static QString folded(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// Shows or hides the entries of rows `first` to `last`.
    void apply(int first, int last);
    void applyToAll();
    /// folded(name), worked out once per name while the filter lives.
    const QString &foldedName(const QString &name);

    QListWidget &m_list;
    QLineEdit *m_line; ///< a child of the window
    QRect m_listPlace; ///< where the list stands while the filter is closed
    QString m_folded;  ///< the typed text, folded
    QHash<QString, QString> m_foldedNames;
};
