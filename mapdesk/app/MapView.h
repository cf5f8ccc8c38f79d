#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

class IView;

namespace mapdesk {

class Document;

/// The data view: draws the document's focus map, its layers bottom-up in
/// map coordinates fitted to the widget. It draws the layers the map took at
/// its last refresh (a layer is drawn only when it and every group above it
/// were visible then) and redraws when the map or the document announces a
/// refresh. Shares the document with the application.
class MapView : public QWidget
{
    Q_OBJECT

public:
    explicit MapView(QWidget *parent = nullptr);
    ~MapView() override;

    /// Shows `document` (may be null) and follows its refreshes.
    void setDocument(std::shared_ptr<Document> document);
    /// The transform from map coordinates to the widget in use now.
    QTransform mapTransform() const;
    /// Widget pixels drawn in the last paint (to check what a refresh redrew).
    const QRegion &lastPaintedRegion() const { return m_lastPainted; }

    QSize sizeHint() const override { return {640, 480}; }

signals:
    /// Local files were dropped on the view.
    void filesDropped(const QStringList &paths);

protected:
    void paintEvent(QPaintEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool showsView(IView *view) const;

    std::shared_ptr<Document> m_document;
    QPointer<QObject> m_connections;
    QRegion m_lastPainted;
};

} // namespace mapdesk
