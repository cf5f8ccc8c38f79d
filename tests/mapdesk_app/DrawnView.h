#pragma once

#include "LayoutView.h"
#include "MapView.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

namespace mapdesk {

/// What the data view shows once it has drawn everything it was asked to
/// (its layers are drawn off the interface thread).
inline QImage drawnImage(MapView *view)
{
    EXPECT_TRUE(QTest::qWaitFor([view] { return !view->isDrawing(); }, 10000)) << "the view never finished drawing";
    return view->grab().toImage();
}

/// What the layout view shows once its map frames have drawn what its
/// paint asked for (a paint asks for what changed since the last).
inline QImage drawnImage(LayoutView *view)
{
    view->grab();
    EXPECT_TRUE(QTest::qWaitFor([view] { return !view->isDrawing(); }, 10000)) << "the frames never finished drawing";
    return view->grab().toImage();
}

} // namespace mapdesk
