#pragma once

#include <QFrame>
#include <QImage>
#include <QPersistentModelIndex>

#include <optional>

class QLabel;

/// The tooltip of a set list entry that shows the set's picture above the
/// entry's words, or "drawing…" until the picture is there. It is placed
/// beside the entry, below it or else above it, never over it, and kept to
/// the screen. The list owns it and hides it as soon as the pointer leaves
/// the entry.
class SetPicturePopup : public QFrame
{
    Q_OBJECT

public:
    explicit SetPicturePopup(QWidget *list);

    /// Shows the tooltip of `entry` (an index of the list): `words` under
    /// the picture (nothing: "drawing…"); `entryArea` and `pointer` are
    /// global.
    void showFor(const QPersistentModelIndex &entry, const QString &words, const std::optional<QImage> &picture,
                 const QRect &entryArea, const QPoint &pointer);
    /// Replaces the words shown (placed again by setPicture()).
    void setWords(const QString &words);
    /// Replaces the picture shown, keeping to the same place rules.
    void setPicture(const std::optional<QImage> &picture);
    /// The entry whose tooltip is shown; invalid when hidden.
    const QPersistentModelIndex &entry() const { return m_entry; }
    /// Hides the tooltip and forgets its entry.
    void dismiss();

    /// Where a tooltip of `size` goes for an entry covering `entryArea`,
    /// the pointer at `pointer`, on a screen whose free area is `screen`:
    /// under the entry when it fits there, else over it, else on the side
    /// with more room; from the pointer across, moved back onto the screen.
    static QPoint placeFor(const QSize &size, const QRect &entryArea, const QPoint &pointer, const QRect &screen);

private:
    void place();

    QLabel *m_picture;
    QLabel *m_words;
    QPersistentModelIndex m_entry;
    QRect m_entryArea;
    QPoint m_pointer;
};
