#pragma once

#include <QListWidget>

/// The list of set names, which tells when a person picks one entry: a plain
/// left click on an entry, selected or not, or a key without Shift or Ctrl
/// that moves the current entry (arrows, Home, End, Page Up/Down, typing a
/// name's first letters). Making or changing a selection of several entries
/// with Ctrl, Shift or Ctrl+A, a right click and the second click of a
/// double-click pick nothing, nor do changes made by the program.
class SetListWidget : public QListWidget
{
    Q_OBJECT

public:
    explicit SetListWidget(QWidget *parent = nullptr);

signals:
    /// The person picked the current entry.
    void picked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_plainPress = false; ///< the press being released was a left press without Shift or Ctrl
};
