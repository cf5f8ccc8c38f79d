#pragma once

#include <QListWidget>
#include <QPersistentModelIndex>
#include <QTimer>

class SetPicturePopup;
class SetPictures;

/// The list of set names, which tells when a person picks one entry: a plain
/// left click on an entry, selected or not, a key without Shift or Ctrl that
/// moves the current entry (arrows, Home, End, Page Up/Down), or typing a
/// name's first letters. Typed letters move the current entry as they come
/// and pick the entry they lead to once typing pauses for the application's
/// keyboard input interval, counted from the last letter the list received,
/// so that a slow restore never splits them into two searches. Making or
/// changing a selection of several entries with Ctrl, Shift or Ctrl+A, a
/// right click and the second click of a double-click pick nothing, nor do
/// changes made by the program.
///
/// Given the sets' pictures, an entry's tooltip shows the set's picture
/// above its words, goes away as soon as the pointer leaves the entry and
/// follows the picture when it comes.
class SetListWidget : public QListWidget
{
    Q_OBJECT

public:
    explicit SetListWidget(QWidget *parent = nullptr);

    /// Moves to the first entry, from the current one on, whose name begins
    /// with the letters typed since typing last paused.
    void keyboardSearch(const QString &search) override;
    /// Shows the pictures of `pictures` (owned elsewhere, outliving the
    /// list) in the entries' tooltips when the host draws them.
    void setPictures(SetPictures *pictures);
    /// The tooltip that shows a picture (tests).
    SetPicturePopup *picturePopup() const { return m_popup; }

signals:
    /// The person picked the current entry.
    void picked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void typingPaused();
    void stopTyping();
    /// Shows the tooltip with its picture for the entry at `at` (viewport);
    /// false when there is no entry there or no picture to show.
    bool showPicture(const QPoint &at, const QPoint &global);
    void pictureReady(const QString &setName);

    bool m_plainPress = false;         ///< the press being released was a left press without Shift or Ctrl
    bool m_searched = false;           ///< the key being handled was typed into the search
    QTimer m_typing;                   ///< runs from the last letter received until typing pauses
    QString m_typed;                   ///< the letters typed since typing began
    QPersistentModelIndex m_typedFrom; ///< the entry that was current when typing began
    SetPictures *m_pictures = nullptr;
    SetPicturePopup *m_popup = nullptr; ///< a child, made with the pictures
};
