#pragma once

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

} // namespace mapdesk
